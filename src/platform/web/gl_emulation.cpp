// Fill-ins for what emscripten's legacy OpenGL emulation gets wrong, under the
// show's code in the web build (gl_emulation.h renames the calls):
// - it expects every vertex between glBegin and glEnd to make the same attribute
//   calls in the same order, and garbles a quad whose normal or texture coordinate
//   is set once for several vertices; so the current normal and texture coordinate
//   are kept here and sent with every vertex;
// - it refuses the OpenGL 1.0 internal formats 1 to 4 (component counts), leaving
//   the texture black; they become the formats they stand for;
// - it refuses the fog hint, which only ever asks for quality; it is dropped.
// And WebGL samples a texture that has no picture as black where OpenGL 1.1 draws
// untextured white: a picture that failed to load leaves a white panel on the
// desktop, so such a texture gets one white texel here.

#include <GL/gl.h>
#include <unordered_set>

namespace {

struct Current {
    GLfloat normal[3] = {0.0f, 0.0f, 1.0f};
    GLfloat texCoord[2] = {0.0f, 0.0f};
    std::unordered_set<GLuint> filled; // texture names with a level 0
};

Current s_current;

GLint FormatOf(GLint internalFormat)
{
    switch (internalFormat) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return internalFormat;
    }
}

} // namespace

extern "C" {

void WebNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat *n = s_current.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

void WebTexCoord2f(GLfloat s, GLfloat t)
{
    s_current.texCoord[0] = s;
    s_current.texCoord[1] = t;
}

void WebVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    glTexCoord2f(s_current.texCoord[0], s_current.texCoord[1]);
    glNormal3f(s_current.normal[0], s_current.normal[1], s_current.normal[2]);
    glVertex3f(x, y, z);
}

void WebVertex2f(GLfloat x, GLfloat y) { WebVertex3f(x, y, 0.0f); }

void WebBindTexture(GLenum target, GLuint texture)
{
    glBindTexture(target, texture);
    if (target != GL_TEXTURE_2D)
        return;
    if (texture == 0 || s_current.filled.count(texture))
        return;
    static const GLubyte WHITE[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, WHITE);
    s_current.filled.insert(texture);
}

void WebTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                   GLenum format, GLenum type, const GLvoid *pixels)
{
    glTexImage2D(target, level, FormatOf(internalFormat), width, height, border, format, type, pixels);
}

void WebHint(GLenum target, GLenum mode)
{
    if (target != GL_FOG_HINT)
        glHint(target, mode);
}

} // extern "C"
