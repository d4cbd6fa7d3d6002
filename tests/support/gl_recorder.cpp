#include "gl_recorder.h"

#include <GL/glu.h>
#include <cstdio>
#include <cstring>

namespace {

std::vector<GlCall> g_calls;
GlState g_state;
std::vector<GlUpload> g_uploads;
std::string g_extensions = "GL_ARB_multitexture GL_EXT_texture_env_add";
GLint g_maxTextureSize = 16384;
GLuint g_nextTexture = 1;
int g_generateMipmap = 0;

void Record(const char *name, std::initializer_list<double> args) { g_calls.push_back({name, args}); }

void SetCapability(GLenum cap, bool on)
{
    if (cap == GL_BLEND)
        g_state.blend = on;
    else if (cap == GL_FOG)
        g_state.fog = on;
    else if (cap == GL_TEXTURE_2D)
        g_state.texture2D = on;
}

} // namespace

namespace glrec {

void Reset()
{
    g_calls.clear();
    g_uploads.clear();
    g_state = GlState();
    g_nextTexture = 1;
    g_generateMipmap = 0;
}

void ClearCalls()
{
    g_calls.clear();
    g_uploads.clear();
}

const std::vector<GlCall> &Calls() { return g_calls; }
const GlState &State() { return g_state; }
const std::vector<GlUpload> &Uploads() { return g_uploads; }
void SetExtensions(const char *extensions) { g_extensions = extensions; }
void SetMaxTextureSize(GLint size) { g_maxTextureSize = size; }

std::string Format(const GlCall &call)
{
    std::string text = call.name + "(";
    for (size_t i = 0; i < call.args.size(); i++) {
        char number[32];
        snprintf(number, sizeof number, "%.9g", call.args[i]);
        text += (i ? ", " : "") + std::string(number);
    }
    return text + ")";
}

std::vector<GlCall> Only(std::initializer_list<const char *> names)
{
    std::vector<GlCall> kept;
    for (const GlCall &call : g_calls)
        for (const char *name : names)
            if (call.name == name)
                kept.push_back(call);
    return kept;
}

std::vector<std::string> Names()
{
    std::vector<std::string> names;
    for (const GlCall &call : g_calls)
        names.push_back(call.name);
    return names;
}

} // namespace glrec

extern "C" {

void glBegin(GLenum mode) { Record("glBegin", {double(mode)}); }
void glEnd(void) { Record("glEnd", {}); }
void glVertex2f(GLfloat x, GLfloat y) { Record("glVertex2f", {x, y}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Record("glVertex3f", {x, y, z}); }

void glTexCoord2f(GLfloat s, GLfloat t)
{
    Record("glTexCoord2f", {s, t});
    g_state.texCoord[0] = s;
    g_state.texCoord[1] = t;
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glNormal3f", {x, y, z});
    g_state.normal[0] = x;
    g_state.normal[1] = y;
    g_state.normal[2] = z;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Record("glTranslatef", {x, y, z}); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { Record("glRotatef", {angle, x, y, z}); }
void glLoadIdentity(void) { Record("glLoadIdentity", {}); }

void glMatrixMode(GLenum mode)
{
    Record("glMatrixMode", {double(mode)});
    g_state.matrixMode = mode;
}

void glBindTexture(GLenum target, GLuint texture)
{
    Record("glBindTexture", {double(target), double(texture)});
    if (target == GL_TEXTURE_2D)
        g_state.boundTexture = texture;
}

void glEnable(GLenum cap)
{
    Record("glEnable", {double(cap)});
    SetCapability(cap, true);
}

void glDisable(GLenum cap)
{
    Record("glDisable", {double(cap)});
    SetCapability(cap, false);
}

void glBlendFunc(GLenum source, GLenum destination)
{
    Record("glBlendFunc", {double(source), double(destination)});
    g_state.blendSource = source;
    g_state.blendDestination = destination;
}

void glFogi(GLenum name, GLint value) { Record("glFogi", {double(name), double(value)}); }
void glFogf(GLenum name, GLfloat value) { Record("glFogf", {double(name), value}); }

void glFogfv(GLenum name, const GLfloat *values)
{
    // Only the fog colour, four values, is ever passed by vector.
    Record("glFogfv", {double(name), values[0], values[1], values[2], values[3]});
}

void glHint(GLenum target, GLenum mode) { Record("glHint", {double(target), double(mode)}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    Record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Record("glClearColor", {r, g, b, a}); }
void glClear(GLbitfield mask) { Record("glClear", {double(mask)}); }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    Record("gluPerspective", {fovy, aspect, zNear, zFar});
}

void glGenTextures(GLsizei n, GLuint *textures)
{
    Record("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; i++)
        textures[i] = g_nextTexture++;
}

void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    Record("glTexParameteri", {double(target), double(name), double(value)});
    if (name == GL_GENERATE_MIPMAP)
        g_generateMipmap = value;
}

void glGetTexParameteriv(GLenum target, GLenum name, GLint *value)
{
    Record("glGetTexParameteriv", {double(target), double(name)});
    *value = name == GL_GENERATE_MIPMAP ? g_generateMipmap : 0;
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const void *pixels)
{
    Record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                            double(border), double(format), double(type)});
    GlUpload upload{level, internalFormat, width, height, format, {}};
    size_t components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
    if (pixels && width > 0 && height > 0) {
        const unsigned char *bytes = static_cast<const unsigned char *>(pixels);
        upload.pixels.assign(bytes, bytes + size_t(width) * size_t(height) * components);
    }
    g_uploads.push_back(std::move(upload));
}

void glGetIntegerv(GLenum name, GLint *value)
{
    Record("glGetIntegerv", {double(name)});
    if (name == GL_UNPACK_ALIGNMENT)
        *value = g_state.unpackAlignment;
    else if (name == GL_MAX_TEXTURE_SIZE)
        *value = g_maxTextureSize;
    else
        *value = 0;
}

void glPixelStorei(GLenum name, GLint value)
{
    Record("glPixelStorei", {double(name), double(value)});
    if (name == GL_UNPACK_ALIGNMENT)
        g_state.unpackAlignment = value;
}

const GLubyte *glGetString(GLenum name)
{
    Record("glGetString", {double(name)});
    static const char empty[] = "";
    return reinterpret_cast<const GLubyte *>(name == GL_EXTENSIONS ? g_extensions.c_str() : empty);
}

GLenum glGetError(void) { return GL_NO_ERROR; }

} // extern "C"
