// The fixed-function subset over OpenGL ES 3.0. Matrices, the current
// vertex attributes, fog, texturing and the display lists are kept here;
// vertices are transformed on the CPU with GL's own arithmetic and handed
// over in batches that last until some state they depend on changes.
#include <cmath>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "gfx/drawing.h"
#include "gfx/es_functions.h"
#include "gfx/es_shaders.h"
#include "gfx/matrix4.h"
#include "gfx/mip_chain.h"

namespace zint::gl {

namespace {

constexpr std::size_t kMatrixStackDepth = 32;
constexpr std::size_t kClientStackDepth = 16;
// What a bitmap's position is nudged by before it is floored to a pixel, so
// that a raster position a rounding error below a whole pixel keeps it.
constexpr float kBitmapNudge = 0.0001f;
constexpr GLint kLargestTextureSide = 4096;

struct Vertex {
    std::array<float, 4> clip;
    std::array<float, 4> colour;
    std::array<float, 2> texCoord;
    float fogDistance;
};

// A bitmap as a display list keeps it: the bits unpacked to one byte a
// pixel in a texture of its own.
struct RecordedBitmap {
    GLsizei width;
    GLsizei height;
    GLfloat originX;
    GLfloat originY;
    GLfloat moveX;
    GLfloat moveY;
    GLuint texture;
};

struct BeginCommand { GLenum mode; };
struct EndCommand {};
struct VertexCommand { GLfloat x, y, z; };
struct TexCoordCommand { GLfloat s, t; };
struct ColourCommand { GLfloat r, g, b, a; };
using Command = std::variant<BeginCommand, EndCommand, VertexCommand, TexCoordCommand, ColourCommand, RecordedBitmap>;

// The primitive class a batch draws: points become lines (see EmitPoint),
// quads and quad strips triangles.
GLenum BatchMode(GLenum mode) { return mode == GL_POINTS || mode == GL_LINES ? GL_LINES : GL_TRIANGLES; }

int ChannelsOf(GLenum format) {
    switch (format) {
    case GL_RGBA:
    case GL_BGRA: return 4;
    case GL_LUMINANCE: return 1;
    default: return 3;
    }
}

// Image rows as the unpack alignment lays them out, to tightly packed rows of
// `channels` bytes in red, green, blue (and alpha) order.
std::vector<std::uint8_t> UnpackPixels(GLsizei width, GLsizei height, GLenum format, int alignment,
                                       const void* pixels, int channels) {
    const int from = ChannelsOf(format);
    const std::size_t rowBytes = static_cast<std::size_t>(width * from);
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t stride = (rowBytes + align - 1) / align * align;
    const bool swapped = format == GL_BGR || format == GL_BGRA;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width * height * channels));
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    std::size_t at = 0;
    for (GLsizei y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes + static_cast<std::size_t>(y) * stride;
        for (GLsizei x = 0; x < width; ++x) {
            const std::uint8_t* pixel = row + static_cast<std::size_t>(x * from);
            for (int c = 0; c < channels; ++c) {
                int source = from == 1 ? 0 : std::min(c, from - 1);
                if (swapped && source < 3) source = 2 - source;
                out[at++] = c == 3 && from < 4 ? 255 : pixel[source];
            }
        }
    }
    return out;
}

// A shader that did not compile or a program that did not link, with GL's
// own words for why.
template <typename GetStatus, typename GetLog>
void ReportFailure(GLuint object, GLenum status, GetStatus getStatus, GetLog getLog, const char* what) {
    GLint succeeded = GL_FALSE;
    getStatus(object, status, &succeeded);
    if (succeeded == GL_TRUE) return;
    char log[512] = {};
    getLog(object, sizeof log, nullptr, log);
    std::fprintf(stderr, "%s: %s\n", what, log);
}

GLenum LayoutOf(int channels) { return channels == 4 ? GL_RGBA : channels == 1 ? GL_LUMINANCE : GL_RGB; }

class EsDrawing final : public Drawing {
public:
    EsDrawing();

    void Begin(GLenum mode) override;
    void End() override;
    // Every change of state the pending vertices are drawn under calls it first.
    void Flush() override;
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override;
    void TexCoord2f(GLfloat s, GLfloat t) override;
    void Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override;
    void Normal3f(GLfloat, GLfloat, GLfloat) override {}  // nothing is lit

    void MatrixMode(GLenum mode) override { matrixMode = mode; }
    void LoadIdentity() override { SetTop(IdentityMatrix()); }
    void PushMatrix() override;
    void PopMatrix() override;
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override;
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override {
        SetTop(Multiply(Top(), OrthoMatrix(l, r, b, t, n, f)));
    }
    void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble near, GLdouble far) override {
        SetTop(Multiply(Top(), PerspectiveMatrix(fieldOfViewY, aspect, near, far)));
    }
    void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
                GLdouble upX, GLdouble upY, GLdouble upZ) override;

    void Enable(GLenum capability) override { SetCapability(capability, true); }
    void Disable(GLenum capability) override { SetCapability(capability, false); }
    void BlendFunc(GLenum source, GLenum destination) override;
    void CullFace(GLenum face) override;
    void Fogi(GLenum name, GLint value) override;
    void Fogfv(GLenum name, const GLfloat* values) override;
    void PointSize(GLfloat size) override;
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override { gl.clearColor(r, g, b, a); }
    void Clear(GLbitfield buffers) override;
    void GetIntegerv(GLenum name, GLint* values) override;
    void PixelStorei(GLenum name, GLint value) override;
    void PushClientAttrib(GLbitfield) override;
    void PopClientAttrib() override;

    GLuint GenTexture() override;
    void BindTexture(GLuint texture) override;
    void TexParameteri(GLenum name, GLint value) override { gl.texParameteri(GL_TEXTURE_2D, name, value); }
    void TexEnvi(GLenum, GLint) override {}  // modulate is the only mode there is
    void TexImage2D(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels) override;
    void Build2DMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format,
                        const void* pixels) override;
    void CopyTexSubImage2D(GLsizei width, GLsizei height) override;

    GLuint GenLists(GLsizei range) override;
    void NewList(GLuint list) override;
    void EndList() override { compiling = nullptr; }
    void CallList(GLuint list) override;
    void ListBase(GLuint base) override { listBase = base; }
    void CallLists(GLsizei count, const GLubyte* lists) override;
    void RasterPos3i(GLint x, GLint y, GLint z) override;
    void Bitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX, GLfloat moveY,
                const GLubyte* bits) override;

private:
    // One variant of the primitive shader, with the uniform values it was
    // last given so that a batch sets only what changed.
    struct PrimitiveProgram {
        GLuint program = 0;
        GLint fogColour = -1, fogDensity = -1, fogStart = -1, fogEnd = -1;
        std::array<float, 4> fogSet{-1.0f, -1.0f, -1.0f, -1.0f};
        std::array<float, 3> fogRangeSet{-1.0f, -1.0f, -1.0f};
    };
    struct GlyphProgram {
        GLuint program = 0;
        GLint origin = -1, glyphSize = -1, viewportSize = -1, depth = -1, rasterColour = -1;
    };

    GLuint Link(const char* vertexSource, const char* fragmentSource, const std::string& defines);
    GLuint Compile(GLenum kind, const char* source, const std::string& defines);
    void CreateGlyphProgram();
    PrimitiveProgram& ProgramForState();
    void SetUniforms(PrimitiveProgram& p);
    void PointAttributesAtVertices();
    void CreateBuffers();

    Matrix4& Top() { return matrixMode == GL_PROJECTION ? projection.back() : modelView.back(); }
    void SetTop(const Matrix4& m);
    void SetCapability(GLenum capability, bool on);

    void EmitPrimitive();
    void EmitPoint(const Vertex& point);
    std::array<float, 2> WindowXY(const std::array<float, 4>& clip) const;
    void EmitQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d);
    void Record(const Command& command) { compiling->push_back(command); }
    void Replay(const Command& command);
    void DrawBitmap(const RecordedBitmap& bitmap);
    RecordedBitmap MakeBitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX,
                              GLfloat moveY, const GLubyte* bits);
    void UploadLevel(GLint level, int channels, int width, int height, const std::uint8_t* pixels);

    EsFunctions gl;
    std::array<PrimitiveProgram, 8> primitives;  // by texturing, then fog mode
    GlyphProgram glyphs;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint cornerBuffer = 0;
    GLuint programInUse = 0;
    bool vertexLayoutSet = false;

    GLenum matrixMode = GL_MODELVIEW;
    std::vector<Matrix4> modelView{IdentityMatrix()};
    std::vector<Matrix4> projection{IdentityMatrix()};
    Matrix4 modelViewProjection = IdentityMatrix();

    std::array<float, 4> colour{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 2> texCoord{0.0f, 0.0f};

    bool texturing = false;
    bool fog = false;
    GLint fogMode = GL_EXP;
    std::array<float, 4> fogColour{0.0f, 0.0f, 0.0f, 0.0f};
    float fogDensity = 1.0f;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float pointSize = 1.0f;
    std::array<float, 4> viewport{};  // as the context was created; the intro never changes it
    GLuint boundTexture = 0;

    GLint unpackAlignment = 4;
    std::vector<GLint> savedUnpackAlignments;

    bool inPrimitive = false;
    GLenum primitiveMode = GL_POINTS;
    std::vector<Vertex> primitive;
    // The pending vertices, in runs of one primitive class each: one upload
    // for all of them, one draw call a run.
    struct Run {
        GLenum mode;
        GLint first;
        GLsizei count;
    };
    std::vector<Vertex> batch;
    std::vector<Run> runs;

    std::map<GLuint, std::vector<Command>> lists;
    std::vector<Command>* compiling = nullptr;
    GLuint listBase = 0;

    bool rasterValid = true;
    std::array<float, 3> raster{0.0f, 0.0f, 0.5f};  // window x, y and depth
    std::array<float, 4> rasterColour{1.0f, 1.0f, 1.0f, 1.0f};
};

EsDrawing::EsDrawing() {
    if (!gl.Load()) {
        std::fprintf(stderr, "OpenGL ES 3.0 functions missing\n");
        return;
    }
    CreateGlyphProgram();
    CreateBuffers();
    GLint box[4] = {0, 0, 0, 0};
    gl.getIntegerv(GL_VIEWPORT, box);
    for (std::size_t i = 0; i < 4; ++i) viewport[i] = static_cast<float>(box[i]);
}

GLuint EsDrawing::Compile(GLenum kind, const char* source, const std::string& defines) {
    const GLuint shader = gl.createShader(kind);
    const char* parts[] = {kShaderVersion, defines.c_str(), source};
    gl.shaderSource(shader, 3, parts, nullptr);
    gl.compileShader(shader);
    ReportFailure(shader, GL_COMPILE_STATUS, gl.getShaderiv, gl.getShaderInfoLog, "shader");
    return shader;
}

GLuint EsDrawing::Link(const char* vertexSource, const char* fragmentSource, const std::string& defines) {
    const GLuint program = gl.createProgram();
    gl.attachShader(program, Compile(GL_VERTEX_SHADER, vertexSource, defines));
    gl.attachShader(program, Compile(GL_FRAGMENT_SHADER, fragmentSource, defines));
    gl.linkProgram(program);
    ReportFailure(program, GL_LINK_STATUS, gl.getProgramiv, gl.getProgramInfoLog, "shader program");
    return program;
}

void EsDrawing::CreateGlyphProgram() {
    const GLuint g = Link(kGlyphVertexShader, kGlyphFragmentShader, "");
    glyphs.program = g;
    glyphs.origin = gl.getUniformLocation(g, "origin");
    glyphs.glyphSize = gl.getUniformLocation(g, "glyphSize");
    glyphs.viewportSize = gl.getUniformLocation(g, "viewportSize");
    glyphs.depth = gl.getUniformLocation(g, "depth");
    glyphs.rasterColour = gl.getUniformLocation(g, "rasterColour");
}

// Linked the first time the state asks for it.
EsDrawing::PrimitiveProgram& EsDrawing::ProgramForState() {
    const GLint mode = fog ? fogMode : 0;
    const std::size_t fogIndex = mode == GL_EXP ? 1 : mode == GL_EXP2 ? 2 : mode == GL_LINEAR ? 3 : 0;
    PrimitiveProgram& p = primitives[(texturing ? 4 : 0) + fogIndex];
    if (p.program != 0) return p;
    const std::string defines =
        "#define TEXTURED " + std::to_string(texturing ? 1 : 0) + "\n#define FOG_MODE " + std::to_string(mode) + "\n";
    p.program = Link(kPrimitiveVertexShader, kPrimitiveFragmentShader, defines);
    p.fogColour = gl.getUniformLocation(p.program, "fogColour");
    p.fogDensity = gl.getUniformLocation(p.program, "fogDensity");
    p.fogStart = gl.getUniformLocation(p.program, "fogStart");
    p.fogEnd = gl.getUniformLocation(p.program, "fogEnd");
    return p;
}

void EsDrawing::SetUniforms(PrimitiveProgram& p) {
    if (!fog) return;
    if (p.fogSet != fogColour) {
        gl.uniform4fv(p.fogColour, 1, fogColour.data());
        p.fogSet = fogColour;
    }
    const std::array<float, 3> range{fogDensity, fogStart, fogEnd};
    if (p.fogRangeSet != range) {
        gl.uniform1f(p.fogDensity, fogDensity);
        gl.uniform1f(p.fogStart, fogStart);
        gl.uniform1f(p.fogEnd, fogEnd);
        p.fogRangeSet = range;
    }
}

void EsDrawing::CreateBuffers() {
    gl.genVertexArrays(1, &vertexArray);
    gl.bindVertexArray(vertexArray);
    gl.genBuffers(1, &vertexBuffer);
    gl.genBuffers(1, &cornerBuffer);
    constexpr float kCorners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    gl.bindBuffer(GL_ARRAY_BUFFER, cornerBuffer);
    gl.bufferData(GL_ARRAY_BUFFER, sizeof kCorners, kCorners, GL_STATIC_DRAW);
    for (GLuint attribute = 0; attribute < 4; ++attribute) gl.enableVertexAttribArray(attribute);
}

// ---- vertices ----

void EsDrawing::Begin(GLenum mode) {
    if (compiling != nullptr) return Record(BeginCommand{mode});
    primitiveMode = mode;
    primitive.clear();
    inPrimitive = true;
}

void EsDrawing::End() {
    if (compiling != nullptr) return Record(EndCommand{});
    if (!inPrimitive) return;
    inPrimitive = false;
    EmitPrimitive();
}

void EsDrawing::Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (compiling != nullptr) return Record(VertexCommand{x, y, z});
    if (!inPrimitive) return;
    const Matrix4& view = modelView.back();
    // The fog distance is the eye-space depth, as GL takes it by default.
    const float eyeZ = view[2] * x + view[6] * y + view[10] * z + view[14];
    primitive.push_back({Transform(modelViewProjection, x, y, z), colour, texCoord, std::fabs(eyeZ)});
}

void EsDrawing::TexCoord2f(GLfloat s, GLfloat t) {
    if (compiling != nullptr) return Record(TexCoordCommand{s, t});
    texCoord = {s, t};
}

void EsDrawing::Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    if (compiling != nullptr) return Record(ColourCommand{r, g, b, a});
    colour = {r, g, b, a};
}

// Triangles (a, b, d) and (b, c, d). The diagonal matters where a quad is
// not flat: texture coordinates interpolate differently across it.
void EsDrawing::EmitQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
    for (const Vertex* v : {&a, &b, &d, &b, &c, &d}) batch.push_back(*v);
}

// A square point of n pixels as n lines one pixel high: the lines cover
// exactly the pixels whose centres lie in the square, as the point does, and
// points then share a draw call with the lines around them. Each line runs
// from the centre of its first pixel to the centre of the pixel after its
// last, which a line does not cover. A point whose centre is outside the
// view volume is not drawn at all.
void EsDrawing::EmitPoint(const Vertex& point) {
    const float w = point.clip[3];
    if (!(w > 0.0f) || std::fabs(point.clip[0]) > w || std::fabs(point.clip[1]) > w || std::fabs(point.clip[2]) > w) {
        return;
    }
    const std::array<float, 2> centre = WindowXY(point.clip);
    const float half = pointSize / 2.0f;
    const float left = std::ceil(centre[0] - half - 0.5f) + 0.5f;
    const float bottom = std::ceil(centre[1] - half - 0.5f) + 0.5f;
    for (int row = 0; row < static_cast<int>(pointSize); ++row) {
        const float y = bottom + static_cast<float>(row);
        for (const float x : {left, left + pointSize}) {
            Vertex end = point;
            end.clip[0] = ((x - viewport[0]) / viewport[2] * 2.0f - 1.0f) * w;
            end.clip[1] = ((y - viewport[1]) / viewport[3] * 2.0f - 1.0f) * w;
            batch.push_back(end);
        }
    }
}

std::array<float, 2> EsDrawing::WindowXY(const std::array<float, 4>& clip) const {
    const float halfWidth = viewport[2] / 2.0f;
    const float halfHeight = viewport[3] / 2.0f;
    return {clip[0] / clip[3] * halfWidth + (viewport[0] + halfWidth),
            clip[1] / clip[3] * halfHeight + (viewport[1] + halfHeight)};
}

void EsDrawing::EmitPrimitive() {
    const std::size_t n = primitive.size();
    const std::size_t before = batch.size();
    switch (primitiveMode) {
    case GL_POINTS:
        for (const Vertex& point : primitive) EmitPoint(point);
        break;
    case GL_LINES:
        batch.insert(batch.end(), primitive.begin(), primitive.begin() + static_cast<std::ptrdiff_t>(n & ~1u));
        break;
    case GL_TRIANGLES:
        batch.insert(batch.end(), primitive.begin(), primitive.begin() + static_cast<std::ptrdiff_t>(n / 3 * 3));
        break;
    case GL_QUADS:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
            EmitQuad(primitive[i], primitive[i + 1], primitive[i + 2], primitive[i + 3]);
        }
        break;
    case GL_QUAD_STRIP:
        // Split along the diagonal from the strip quad's first vertex to its
        // last, as the desktop's rasteriser does.
        for (std::size_t i = 0; i + 3 < n; i += 2) {
            EmitQuad(primitive[i + 1], primitive[i + 3], primitive[i + 2], primitive[i]);
        }
        break;
    default:
        break;
    }
    const auto added = static_cast<GLsizei>(batch.size() - before);
    if (added == 0) return;
    const GLenum mode = BatchMode(primitiveMode);
    if (!runs.empty() && runs.back().mode == mode) {
        runs.back().count += added;
    } else {
        runs.push_back({mode, static_cast<GLint>(before), added});
    }
}

// The attributes keep pointing into the vertex buffer while its contents are
// replaced batch after batch; only the glyphs point attribute 0 elsewhere.
void EsDrawing::PointAttributesAtVertices() {
    gl.bindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    constexpr auto kStride = static_cast<GLsizei>(sizeof(Vertex));
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    gl.vertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, kStride, at(offsetof(Vertex, clip)));
    gl.vertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, kStride, at(offsetof(Vertex, colour)));
    gl.vertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride, at(offsetof(Vertex, texCoord)));
    gl.vertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, kStride, at(offsetof(Vertex, fogDistance)));
    vertexLayoutSet = true;
}

void EsDrawing::Flush() {
    if (batch.empty()) return;
    PrimitiveProgram& program = ProgramForState();
    if (program.program != programInUse) {
        gl.useProgram(program.program);
        programInUse = program.program;
    }
    SetUniforms(program);
    if (!vertexLayoutSet) PointAttributesAtVertices();
    gl.bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(batch.size() * sizeof(Vertex)), batch.data(),
                  GL_STREAM_DRAW);
    for (const Run& run : runs) gl.drawArrays(run.mode, run.first, run.count);
    batch.clear();
    runs.clear();
}

// ---- matrices ----

void EsDrawing::SetTop(const Matrix4& m) {
    Top() = m;
    modelViewProjection = Multiply(projection.back(), modelView.back());
}

void EsDrawing::PushMatrix() {
    auto& stack = matrixMode == GL_PROJECTION ? projection : modelView;
    if (stack.size() < kMatrixStackDepth) stack.push_back(stack.back());
}

void EsDrawing::PopMatrix() {
    auto& stack = matrixMode == GL_PROJECTION ? projection : modelView;
    if (stack.size() > 1) stack.pop_back();
    modelViewProjection = Multiply(projection.back(), modelView.back());
}

void EsDrawing::Translatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix4 m = Top();
    Translate(m, x, y, z);
    SetTop(m);
}

void EsDrawing::LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                       GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    Matrix4 m = Multiply(Top(), LookAtRotation(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ));
    Translate(m, static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
    SetTop(m);
}

// ---- state ----

void EsDrawing::SetCapability(GLenum capability, bool on) {
    Flush();
    switch (capability) {
    case GL_TEXTURE_2D:
        texturing = on;
        break;
    case GL_FOG:
        fog = on;
        break;
    case GL_DEPTH_TEST:
    case GL_CULL_FACE:
    case GL_BLEND:
        on ? gl.enable(capability) : gl.disable(capability);
        break;
    default:
        break;
    }
}

void EsDrawing::BlendFunc(GLenum source, GLenum destination) {
    Flush();
    gl.blendFunc(source, destination);
}

void EsDrawing::CullFace(GLenum face) {
    Flush();
    gl.cullFace(face);
}

void EsDrawing::Fogi(GLenum name, GLint value) {
    Flush();
    if (name == GL_FOG_MODE) fogMode = value;
}

void EsDrawing::Fogfv(GLenum name, const GLfloat* values) {
    Flush();
    switch (name) {
    case GL_FOG_COLOR: fogColour = {values[0], values[1], values[2], values[3]}; break;
    case GL_FOG_DENSITY: fogDensity = values[0]; break;
    case GL_FOG_START: fogStart = values[0]; break;
    case GL_FOG_END: fogEnd = values[0]; break;
    default: break;
    }
}

// GL rounds the size of a square point to whole pixels.
void EsDrawing::PointSize(GLfloat size) { pointSize = std::max(1.0f, std::round(size)); }

void EsDrawing::Clear(GLbitfield buffers) {
    Flush();
    gl.clear(buffers);
}

void EsDrawing::GetIntegerv(GLenum name, GLint* values) {
    switch (name) {
    case GL_LIST_BASE: *values = static_cast<GLint>(listBase); break;
    case GL_UNPACK_ALIGNMENT: *values = unpackAlignment; break;
    default: gl.getIntegerv(name, values); break;
    }
}

// Only the alignment shapes what is unpacked here; the other unpack settings
// are only ever set to their defaults.
void EsDrawing::PixelStorei(GLenum name, GLint value) {
    if (name == GL_UNPACK_ALIGNMENT && (value == 1 || value == 2 || value == 4 || value == 8)) unpackAlignment = value;
}

void EsDrawing::PushClientAttrib(GLbitfield) {
    if (savedUnpackAlignments.size() < kClientStackDepth) savedUnpackAlignments.push_back(unpackAlignment);
}

void EsDrawing::PopClientAttrib() {
    if (savedUnpackAlignments.empty()) return;
    unpackAlignment = savedUnpackAlignments.back();
    savedUnpackAlignments.pop_back();
}

// ---- textures ----

GLuint EsDrawing::GenTexture() {
    GLuint name = 0;
    gl.genTextures(1, &name);
    return name;
}

void EsDrawing::BindTexture(GLuint texture) {
    if (texture == boundTexture) return;
    Flush();
    gl.bindTexture(GL_TEXTURE_2D, texture);
    boundTexture = texture;
}

void EsDrawing::UploadLevel(GLint level, int channels, int width, int height, const std::uint8_t* pixels) {
    gl.pixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum layout = LayoutOf(channels);
    gl.texImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(layout), width, height, 0, layout, GL_UNSIGNED_BYTE,
                  pixels);
}

void EsDrawing::TexImage2D(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels) {
    Flush();
    if (width <= 0 || height <= 0) return;
    const int channels = components == 4 || components == 3 ? components : ChannelsOf(format);
    if (pixels == nullptr) return UploadLevel(0, channels, width, height, nullptr);
    const std::vector<std::uint8_t> packed = UnpackPixels(width, height, format, unpackAlignment, pixels, channels);
    UploadLevel(0, channels, width, height, packed.data());
}

void EsDrawing::Build2DMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format,
                               const void* pixels) {
    Flush();
    if (width <= 0 || height <= 0 || pixels == nullptr) return;
    const int channels = components == 4 || components == 3 ? components : ChannelsOf(format);
    const std::vector<std::uint8_t> packed = UnpackPixels(width, height, format, unpackAlignment, pixels, channels);
    const std::vector<MipLevel> chain = BuildMipChain(channels, width, height, packed, 1, kLargestTextureSide);
    for (std::size_t level = 0; level < chain.size(); ++level) {
        UploadLevel(static_cast<GLint>(level), channels, chain[level].width, chain[level].height,
                    chain[level].pixels.data());
    }
}

void EsDrawing::CopyTexSubImage2D(GLsizei width, GLsizei height) {
    Flush();
    gl.copyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
}

// ---- display lists and bitmaps ----

GLuint EsDrawing::GenLists(GLsizei range) {
    if (range <= 0) return 0;
    GLuint first = 1;
    const auto unused = [this](GLuint base, GLsizei count) {
        for (GLsizei i = 0; i < count; ++i) {
            if (lists.contains(base + static_cast<GLuint>(i))) return false;
        }
        return true;
    };
    while (!unused(first, range)) ++first;
    for (GLsizei i = 0; i < range; ++i) lists[first + static_cast<GLuint>(i)];
    return first;
}

void EsDrawing::NewList(GLuint list) {
    if (list == 0 || compiling != nullptr) return;
    compiling = &lists[list];
    compiling->clear();
}

void EsDrawing::CallList(GLuint list) {
    const auto found = lists.find(list);
    if (found == lists.end() || &found->second == compiling) return;
    for (const Command& command : found->second) Replay(command);
}

void EsDrawing::CallLists(GLsizei count, const GLubyte* names) {
    for (GLsizei i = 0; i < count; ++i) CallList(listBase + names[i]);
}

void EsDrawing::Replay(const Command& command) {
    std::visit(
        [this](const auto& c) {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, BeginCommand>) Begin(c.mode);
            else if constexpr (std::is_same_v<T, EndCommand>) End();
            else if constexpr (std::is_same_v<T, VertexCommand>) Vertex3f(c.x, c.y, c.z);
            else if constexpr (std::is_same_v<T, TexCoordCommand>) TexCoord2f(c.s, c.t);
            else if constexpr (std::is_same_v<T, ColourCommand>) Color4f(c.r, c.g, c.b, c.a);
            else DrawBitmap(c);
        },
        command);
}

// The raster position takes the current colour; outside the view volume it
// is invalid and bitmaps draw nothing.
void EsDrawing::RasterPos3i(GLint x, GLint y, GLint z) {
    if (compiling != nullptr) return;
    const std::array<float, 4> clip =
        Transform(modelViewProjection, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    const float w = clip[3];
    rasterValid = w > 0.0f && std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w && std::fabs(clip[2]) <= w;
    const std::array<float, 2> window = WindowXY(clip);
    raster = {window[0], window[1], clip[2] / w};
    rasterColour = colour;
}

RecordedBitmap EsDrawing::MakeBitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY,
                                     GLfloat moveX, GLfloat moveY, const GLubyte* bits) {
    RecordedBitmap bitmap{width, height, originX, originY, moveX, moveY, 0};
    if (width <= 0 || height <= 0 || bits == nullptr) return bitmap;
    const auto align = static_cast<std::size_t>(unpackAlignment);
    const std::size_t stride = ((static_cast<std::size_t>(width) + 7) / 8 + align - 1) / align * align;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height));
    for (GLsizei y = 0; y < height; ++y) {
        for (GLsizei x = 0; x < width; ++x) {
            const GLubyte byte = bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x / 8)];
            const bool set = (byte >> (7 - x % 8)) & 1;
            pixels[static_cast<std::size_t>(y * width + x)] = set ? 255 : 0;
        }
    }
    bitmap.texture = GenTexture();
    gl.bindTexture(GL_TEXTURE_2D, bitmap.texture);
    gl.pixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.texImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height, 0, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.bindTexture(GL_TEXTURE_2D, boundTexture);
    return bitmap;
}

void EsDrawing::Bitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX,
                       GLfloat moveY, const GLubyte* bits) {
    Flush();
    const RecordedBitmap bitmap = MakeBitmap(width, height, originX, originY, moveX, moveY, bits);
    if (compiling != nullptr) return Record(bitmap);
    DrawBitmap(bitmap);
}

void EsDrawing::DrawBitmap(const RecordedBitmap& bitmap) {
    if (!rasterValid) return;
    Flush();
    if (bitmap.texture != 0) {
        const auto left = static_cast<GLint>(std::floor(raster[0] - bitmap.originX + kBitmapNudge));
        const auto bottom = static_cast<GLint>(std::floor(raster[1] - bitmap.originY + kBitmapNudge));
        gl.useProgram(glyphs.program);
        programInUse = glyphs.program;
        gl.uniform2i(glyphs.origin, left, bottom);
        gl.uniform2i(glyphs.glyphSize, bitmap.width, bitmap.height);
        gl.uniform2i(glyphs.viewportSize, static_cast<GLint>(viewport[2]), static_cast<GLint>(viewport[3]));
        gl.uniform1f(glyphs.depth, raster[2]);
        gl.uniform4fv(glyphs.rasterColour, 1, rasterColour.data());
        gl.bindTexture(GL_TEXTURE_2D, bitmap.texture);
        gl.bindBuffer(GL_ARRAY_BUFFER, cornerBuffer);
        gl.vertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        vertexLayoutSet = false;
        for (GLuint attribute = 1; attribute < 4; ++attribute) gl.disableVertexAttribArray(attribute);
        gl.drawArrays(GL_TRIANGLE_STRIP, 0, 4);
        for (GLuint attribute = 1; attribute < 4; ++attribute) gl.enableVertexAttribArray(attribute);
        gl.bindTexture(GL_TEXTURE_2D, boundTexture);
    }
    raster[0] += bitmap.moveX;
    raster[1] += bitmap.moveY;
}

}  // namespace

std::unique_ptr<Drawing> CreateEsDrawing() { return std::make_unique<EsDrawing>(); }

}  // namespace zint::gl
