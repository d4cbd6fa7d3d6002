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
//
// The emulation's fragment shaders declare `precision mediump float`, which many
// phones and tablets keep in 16 bits: steps of 1/64 at a texture coordinate of 16,
// which the rotozoomer and the tunnel pass within a minute. So each quad's texture
// coordinates are shifted by a whole number where its texture repeats (the same
// picture) to lie about 0: within half their span and a half of it, 3 for the
// rotozoomer's five repeats, where a 16-bit float's steps are 1/512 at most.

#include <GL/gl.h>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace {

struct Vertex {
    GLfloat texCoord[2];
    GLfloat normal[3];
    GLfloat position[3];
};

// Whether a texture repeats along s and t (OpenGL's default) or is clamped.
struct Wrap {
    bool repeats[2] = {true, true};
};

struct Current {
    GLfloat normal[3] = {0.0f, 0.0f, 1.0f};
    GLfloat texCoord[2] = {0.0f, 0.0f};
    std::unordered_set<GLuint> filled; // texture names with a level 0
    GLuint bound = 0;                  // the texture the next quad shows
    std::unordered_map<GLuint, Wrap> wraps;
    GLenum primitive = 0; // as glBegin named it, until glEnd
    Vertex quad[4];       // a quad's vertices, sent once it is whole
    int quadVertices = 0;
};

Current s_current;

void SendVertex(const Vertex &v)
{
    glTexCoord2f(v.texCoord[0], v.texCoord[1]);
    glNormal3f(v.normal[0], v.normal[1], v.normal[2]);
    glVertex3f(v.position[0], v.position[1], v.position[2]);
}

// Moves the quad's coordinates along each repeating axis by the whole number
// nearest their middle (ties downwards, so a whole picture's 0 to 1 stays as it is).
void SendQuad(Vertex *quad)
{
    const auto wrap = s_current.wraps.find(s_current.bound);
    const Wrap repeat = wrap == s_current.wraps.end() ? Wrap() : wrap->second;
    for (int axis = 0; axis < 2; axis++) {
        if (!repeat.repeats[axis])
            continue;
        double low = quad[0].texCoord[axis], high = low;
        for (int i = 1; i < 4; i++) {
            low = std::fmin(low, quad[i].texCoord[axis]);
            high = std::fmax(high, quad[i].texCoord[axis]);
        }
        const double shift = std::ceil((low + high) / 2.0 - 0.5);
        if (shift == 0.0 || !std::isfinite(shift))
            continue;
        for (int i = 0; i < 4; i++)
            quad[i].texCoord[axis] = static_cast<GLfloat>(quad[i].texCoord[axis] - shift);
    }
    for (int i = 0; i < 4; i++)
        SendVertex(quad[i]);
}

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
    const Vertex v = {{s_current.texCoord[0], s_current.texCoord[1]},
                      {s_current.normal[0], s_current.normal[1], s_current.normal[2]},
                      {x, y, z}};
    if (s_current.primitive != GL_QUADS) {
        SendVertex(v);
        return;
    }
    s_current.quad[s_current.quadVertices++] = v;
    if (s_current.quadVertices == 4) {
        SendQuad(s_current.quad);
        s_current.quadVertices = 0;
    }
}

void WebBegin(GLenum mode)
{
    s_current.primitive = mode;
    s_current.quadVertices = 0;
    glBegin(mode);
}

// A quad left unfinished is dropped, as OpenGL drops it.
void WebEnd()
{
    s_current.primitive = 0;
    s_current.quadVertices = 0;
    glEnd();
}

void WebTexParameteri(GLenum target, GLenum name, GLint value)
{
    glTexParameteri(target, name, value);
    if (target == GL_TEXTURE_2D && (name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T))
        s_current.wraps[s_current.bound].repeats[name == GL_TEXTURE_WRAP_T] = value == GL_REPEAT;
}

void WebVertex2f(GLfloat x, GLfloat y) { WebVertex3f(x, y, 0.0f); }

void WebBindTexture(GLenum target, GLuint texture)
{
    glBindTexture(target, texture);
    if (target != GL_TEXTURE_2D)
        return;
    s_current.bound = texture;
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
