// The OpenGL 1.1 subset the show calls, its ARB tokens and the two GLU calls
// it makes, for the web layer, which draws them with WebGL 2 (GL11.cpp), and
// glGetError, which tells what the layer refused.
// Names, types and token values follow the desktop headers, so the show's
// code reads the same on every platform. Extension entry points (multitexture,
// the ARB programs, framebuffer objects) come through wglGetProcAddress.
//
// Do not include this header directly: include "platform/GL.h".
#pragma once

#include <cstdint>

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLint = int;
using GLuint = unsigned int;
using GLsizei = int;
using GLubyte = std::uint8_t;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLvoid = void;

constexpr GLboolean GL_FALSE = 0;
constexpr GLboolean GL_TRUE = 1;

// Primitives.
constexpr GLenum GL_QUADS = 0x0007;
constexpr GLenum GL_QUAD_STRIP = 0x0008;

// Capabilities.
constexpr GLenum GL_CULL_FACE = 0x0B44;
constexpr GLenum GL_SCISSOR_TEST = 0x0C11;
constexpr GLenum GL_LIGHTING = 0x0B50;
constexpr GLenum GL_COLOR_MATERIAL = 0x0B57;
constexpr GLenum GL_DEPTH_TEST = 0x0B71;
constexpr GLenum GL_ALPHA_TEST = 0x0BC0;
constexpr GLenum GL_BLEND = 0x0BE2;
constexpr GLenum GL_TEXTURE_2D = 0x0DE1;
constexpr GLenum GL_VERTEX_PROGRAM_ARB = 0x8620;
constexpr GLenum GL_FRAGMENT_PROGRAM_ARB = 0x8804;

// Buffers, comparisons and blending.
constexpr GLbitfield GL_DEPTH_BUFFER_BIT = 0x00000100;
constexpr GLbitfield GL_COLOR_BUFFER_BIT = 0x00004000;
constexpr GLenum GL_LEQUAL = 0x0203;
constexpr GLenum GL_GREATER = 0x0204;
constexpr GLenum GL_ONE = 1;
constexpr GLenum GL_SRC_ALPHA = 0x0302;
constexpr GLenum GL_ONE_MINUS_SRC_ALPHA = 0x0303;

// Matrices.
constexpr GLenum GL_MODELVIEW = 0x1700;
constexpr GLenum GL_PROJECTION = 0x1701;
constexpr GLenum GL_TEXTURE = 0x1702;
constexpr GLenum GL_MODELVIEW_MATRIX = 0x0BA6;
constexpr GLenum GL_PROJECTION_MATRIX = 0x0BA7;

// Textures and their environment.
constexpr GLenum GL_UNSIGNED_BYTE = 0x1401;
constexpr GLenum GL_RGBA = 0x1908;
constexpr GLenum GL_RGBA8 = 0x8058;
constexpr GLenum GL_TEXTURE_ENV = 0x2300;
constexpr GLenum GL_TEXTURE_ENV_MODE = 0x2200;
constexpr GLint GL_MODULATE = 0x2100;
constexpr GLint GL_ADD = 0x0104;
constexpr GLenum GL_TEXTURE_MAG_FILTER = 0x2800;
constexpr GLenum GL_TEXTURE_MIN_FILTER = 0x2801;
constexpr GLenum GL_TEXTURE_WRAP_S = 0x2802;
constexpr GLenum GL_TEXTURE_WRAP_T = 0x2803;
constexpr GLint GL_LINEAR = 0x2601;
constexpr GLint GL_LINEAR_MIPMAP_LINEAR = 0x2703;
constexpr GLint GL_CLAMP = 0x2900;
constexpr GLint GL_REPEAT = 0x2901;
constexpr GLenum GL_TEXTURE0_ARB = 0x84C0;
constexpr GLenum GL_TEXTURE1_ARB = 0x84C1;
constexpr GLenum GL_TEXTURE2_ARB = 0x84C2;

// Errors.
constexpr GLenum GL_NO_ERROR = 0;
constexpr GLenum GL_INVALID_ENUM = 0x0500;
constexpr GLenum GL_INVALID_VALUE = 0x0501;
constexpr GLenum GL_STACK_UNDERFLOW = 0x0504;

// Queries.
constexpr GLenum GL_VERSION = 0x1F02;
constexpr GLenum GL_EXTENSIONS = 0x1F03;
constexpr GLenum GL_MAX_TEXTURE_SIZE = 0x0D33;
constexpr GLenum GL_MAX_VIEWPORT_DIMS = 0x0D3A;
constexpr GLenum GL_MAX_RENDERBUFFER_SIZE = 0x84E8;

// ARB programs.
constexpr GLenum GL_PROGRAM_FORMAT_ASCII_ARB = 0x8875;
constexpr GLenum GL_PROGRAM_ERROR_POSITION_ARB = 0x864B;
constexpr GLenum GL_PROGRAM_ERROR_STRING_ARB = 0x8874;

// Framebuffer objects.
constexpr GLenum GL_FRAMEBUFFER = 0x8D40;
constexpr GLenum GL_RENDERBUFFER = 0x8D41;
constexpr GLenum GL_COLOR_ATTACHMENT0 = 0x8CE0;
constexpr GLenum GL_DEPTH_ATTACHMENT = 0x8D00;
constexpr GLenum GL_DEPTH_COMPONENT16 = 0x81A5;
constexpr GLenum GL_FRAMEBUFFER_COMPLETE = 0x8CD5;

// State.
void glEnable(GLenum capability);
void glDisable(GLenum capability);
void glBlendFunc(GLenum source, GLenum destination);
void glAlphaFunc(GLenum function, GLclampf reference);
void glDepthFunc(GLenum function);
void glDepthMask(GLboolean write);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void glClear(GLbitfield mask);

// Matrix stacks.
void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glLoadMatrixf(const GLfloat* matrix);
void glPushMatrix();
void glPopMatrix();
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glScalef(GLfloat x, GLfloat y, GLfloat z);

// Immediate mode.
void glBegin(GLenum mode);
void glEnd();
void glVertex2i(GLint x, GLint y);
void glVertex3i(GLint x, GLint y, GLint z);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glTexCoord2i(GLint s, GLint t);
void glTexCoord2f(GLfloat s, GLfloat t);
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glColor3f(GLfloat red, GLfloat green, GLfloat blue);
void glColor3ub(GLubyte red, GLubyte green, GLubyte blue);
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);

// Textures.
void glGenTextures(GLsizei count, GLuint* names);
void glBindTexture(GLenum target, GLuint name);
void glTexParameteri(GLenum target, GLenum name, GLint value);
void glTexEnvi(GLenum target, GLenum name, GLint value);
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y,
                         GLsizei width, GLsizei height);

// Queries.
const GLubyte* glGetString(GLenum name);
void glGetIntegerv(GLenum name, GLint* values);
void glGetFloatv(GLenum name, GLfloat* values);
// What the layer refused first, or else WebGL's error.
GLenum glGetError();

// GLU.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* pixels);

// Beyond GL: draws what is still batched.
void FlushGlBatch();
// Beyond GL: ends a frame for presenting. Draws what is batched and makes
// the canvas opaque, as a window is: the show leaves the alpha channel to
// chance, and the page would show through wherever it is below one. (The
// channel exists at all so that frame copies into RGBA textures work.) The
// layer's SwapBuffers calls it.
void FinishGlFrame();
// Beyond GL: the GL 1.1 entry point or extension function of that name, or
// nullptr. The layer's wglGetProcAddress answers from it.
void (*GlProcAddress(const char* name))();
