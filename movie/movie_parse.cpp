// The tag stream of a movie and of its sprites.
//
// After the header (see builder/swf/swf_reader.h) come tags: UI16 with the
// code in its upper 10 bits and the length in its lower 6; a length of 0x3F
// is followed by a UI32 length. A tag whose length runs past its stream ends
// that stream; everything before it is kept. DefineSprite (id, frame count,
// then a stream of its own control tags) is read on the main timeline only.
//
// PlaceObject2 flags (UB[1] each, first bit first): HasClipActions,
// HasClipDepth, HasName, HasRatio, HasColorTransform, HasMatrix,
// HasCharacter, Move; then depth, id, matrix, CXFORMWITHALPHA, ratio, name,
// clip depth. PlaceObject3 adds a second flag byte before the depth and an
// optional class name; what follows the clip depth (filters, blend mode) is
// not drawn.
#include "builder/swf/byte_source.h"
#include "builder/swf/projector.h"
#include "builder/swf/swf_reader.h"
#include "common/bytes.h"
#include "common/file.h"
#include "common/path.h"
#include "movie/parse_internal.h"

#include <algorithm>
#include <cstring>

namespace ww::movie {

namespace {

constexpr size_t kMaxProblems = 64;

enum TagCode : uint16_t {
    kEnd = 0,
    kShowFrame = 1,
    kDefineShape = 2,
    kPlaceObject = 4,
    kRemoveObject = 5,
    kDefineBits = 6,
    kJpegTables = 8,
    kSetBackgroundColor = 9,
    kDefineFont = 10,
    kDefineText = 11,
    kDoAction = 12,
    kDefineBitsLossless = 20,
    kDefineBitsJpeg2 = 21,
    kDefineShape2 = 22,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineText2 = 33,
    kDefineBitsJpeg3 = 35,
    kDefineBitsLossless2 = 36,
    kDefineSprite = 39,
    kFrameLabel = 43,
    kDefineMorphShape = 46,
    kDefineFont2 = 48,
    kPlaceObject3 = 70,
    kDefineFont3 = 75,
    kDefineShape4 = 83,
    kDefineMorphShape2 = 84,
};

// Tags that change nothing in the picture: metadata, debugging, font names.
bool IsHarmless(uint16_t code) {
    static const uint16_t kCodes[] = {13, 24, 40, 41, 56, 58, 63, 64, 65,
                                      66, 69, 73, 74, 76, 77, 86, 88};
    return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

bool ReadPlace(BitReader& r, uint16_t code, PlaceCommand* p, ParseContext& ctx) {
    if (code == kPlaceObject) {
        p->hasCharacter = p->hasMatrix = true;
        p->characterId = r.U16();
        p->depth = r.U16();
        p->matrix = r.ReadMatrix();
        if (r.ok() && r.remaining() > 0) {
            p->hasColor = true;
            p->color = r.ReadColorTransform(false);
        }
        return r.ok();
    }
    const uint8_t flags = r.U8();
    uint8_t flags2 = 0;
    if (code == kPlaceObject3)
        flags2 = r.U8();
    p->depth = r.U16();
    p->move = flags & 0x01;
    p->hasCharacter = flags & 0x02;
    p->hasMatrix = flags & 0x04;
    p->hasColor = flags & 0x08;
    p->hasRatio = flags & 0x10;
    p->hasClipDepth = flags & 0x40;
    if ((flags2 & 0x08) || ((flags2 & 0x10) && p->hasCharacter))
        r.String(); // class name
    if (p->hasCharacter)
        p->characterId = r.U16();
    if (p->hasMatrix)
        p->matrix = r.ReadMatrix();
    if (p->hasColor)
        p->color = r.ReadColorTransform(true);
    if (p->hasRatio)
        p->ratio = r.U16();
    if (flags & 0x20)
        r.String();
    if (p->hasClipDepth)
        p->clipDepth = r.U16();
    if (flags & 0x80)
        ctx.Unsupported("clip actions");
    if (flags2 & 0x01)
        ctx.Unsupported("filters");
    if (flags2 & 0x02)
        ctx.Unsupported("blend modes");
    if (flags2 & 0x04)
        ctx.Unsupported("bitmap caching");
    return r.ok();
}

// Action records until ActionEndFlag: code UI8, and for codes of 0x80 and up a
// UI16 length and that many bytes. Only the timeline actions are kept.
void ReadActions(BitReader& r, Frame* frame, ParseContext& ctx) {
    while (r.ok() && r.remaining() > 0) {
        const uint8_t code = r.U8();
        if (code == 0)
            return;
        size_t length = code >= 0x80 ? r.U16() : 0;
        if (!r.ok() || length > r.remaining()) {
            ctx.Problem("action record runs past its tag");
            return;
        }
        BitReader body(r.Here(), length);
        r.Skip(length);
        Action a{ActionKind::Stop, 0, {}};
        switch (code) {
        case 0x04:
            a.kind = ActionKind::NextFrame;
            break;
        case 0x05:
            a.kind = ActionKind::PrevFrame;
            break;
        case 0x06:
            a.kind = ActionKind::Play;
            break;
        case 0x07:
            a.kind = ActionKind::Stop;
            break;
        case 0x81:
            a.kind = ActionKind::GotoFrame;
            a.frame = body.U16();
            break;
        case 0x8C:
            a.kind = ActionKind::GotoLabel;
            a.label = body.String();
            break;
        default:
            ctx.Unsupported("actions other than stop, play and go to");
            continue;
        }
        if (!body.ok()) {
            ctx.Problem("action record is cut short");
            return;
        }
        if (!ctx.Charge(sizeof(Action) + a.label.size()))
            return;
        frame->actions.push_back(a);
    }
}

template <typename T> uint32_t AddCharacter(std::vector<T>& table, T&& value) {
    table.push_back(std::move(value));
    return static_cast<uint32_t>(table.size() - 1);
}

class TagStream {
  public:
    TagStream(ParseContext& ctx, bool root) : ctx_(ctx), root_(root) {}
    void Read(const uint8_t* data, size_t size, Timeline* timeline);

  private:
    void Define(uint16_t code, BitReader& r);
    void Control(uint16_t code, BitReader& r, Frame* frame, Timeline* timeline);
    void AddDefinition(uint16_t id, CharacterKind kind, uint32_t index);

    ParseContext& ctx_;
    bool root_;
};

void TagStream::Read(const uint8_t* data, size_t size, Timeline* timeline) {
    size_t pos = 0;
    Frame frame;
    while (pos < size) {
        if (size - pos < 2) {
            ctx_.Problem("tag header cut short");
            break;
        }
        const uint16_t head = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        const uint16_t code = head >> 6;
        size_t length = head & 0x3F;
        if (length == 0x3F) {
            if (size - pos < 4) {
                ctx_.Problem("tag header cut short");
                break;
            }
            length = LoadU32(data + pos);
            pos += 4;
        }
        if (length > size - pos) {
            ctx_.Problem(TagName(code) + " tag runs past the end of the movie");
            break;
        }
        BitReader r(data + pos, length);
        pos += length;
        if (code == kEnd)
            break;
        if (code == kShowFrame) {
            if (timeline->frames.size() < kMaxFrames && ctx_.Charge(sizeof(Frame)))
                timeline->frames.push_back(std::move(frame));
            frame = Frame{};
            continue;
        }
        Control(code, r, &frame, timeline);
    }
    // Commands after the last ShowFrame show only in a movie without frames.
    if (timeline->frames.empty() && (!frame.commands.empty() || !frame.actions.empty()))
        timeline->frames.push_back(std::move(frame));
}

void TagStream::Control(uint16_t code, BitReader& r, Frame* frame, Timeline* timeline) {
    switch (code) {
    case kPlaceObject:
    case kPlaceObject2:
    case kPlaceObject3: {
        FrameCommand c;
        if (!ReadPlace(r, code, &c.place, ctx_)) {
            ctx_.Problem(TagName(code) + " is cut short");
            return;
        }
        if (ctx_.Charge(sizeof(FrameCommand)))
            frame->commands.push_back(c);
        return;
    }
    case kRemoveObject:
    case kRemoveObject2: {
        FrameCommand c;
        c.remove = true;
        if (code == kRemoveObject)
            r.U16();
        c.place.depth = r.U16();
        if (r.ok() && ctx_.Charge(sizeof(FrameCommand)))
            frame->commands.push_back(c);
        return;
    }
    case kDoAction:
        ReadActions(r, frame, ctx_);
        return;
    case kFrameLabel: {
        const std::string label = r.String();
        const uint32_t index = static_cast<uint32_t>(timeline->frames.size());
        if (r.ok() && ctx_.Charge(sizeof(std::string) * 4 + label.size()))
            timeline->labels.emplace(label, index);
        return;
    }
    case kSetBackgroundColor:
        if (root_) {
            ctx_.movie().background = r.ReadRgb();
            ctx_.movie().hasBackground = r.ok();
        }
        return;
    default:
        break;
    }
    if (!root_) {
        // A sprite holds control tags only.
        if (!IsHarmless(code))
            ctx_.Problem(TagName(code) + " inside a sprite is ignored");
        return;
    }
    Define(code, r);
}

void TagStream::AddDefinition(uint16_t id, CharacterKind kind, uint32_t index) {
    ctx_.movie().dictionary.emplace(id, CharacterRef{kind, index});
}

void TagStream::Define(uint16_t code, BitReader& r) {
    Movie& m = ctx_.movie();
    if (code == kJpegTables) {
        ctx_.jpegTables = r.Here();
        ctx_.jpegTablesSize = r.remaining();
        return;
    }
    int version = 0;
    CharacterKind kind = CharacterKind::Shape;
    switch (code) {
    case kDefineShape:
    case kDefineShape2:
    case kDefineShape3:
    case kDefineShape4:
        version = code == kDefineShape    ? 1
                  : code == kDefineShape2 ? 2
                  : code == kDefineShape3 ? 3
                                          : 4;
        break;
    case kDefineMorphShape:
    case kDefineMorphShape2:
        version = code == kDefineMorphShape ? 1 : 2;
        kind = CharacterKind::Morph;
        break;
    case kDefineBits:
    case kDefineBitsJpeg2:
    case kDefineBitsJpeg3:
        version = code == kDefineBits ? 1 : code == kDefineBitsJpeg2 ? 2 : 3;
        kind = CharacterKind::Bitmap;
        break;
    case kDefineBitsLossless:
    case kDefineBitsLossless2:
        version = code == kDefineBitsLossless ? 1 : 2;
        kind = CharacterKind::Bitmap;
        break;
    case kDefineFont:
    case kDefineFont2:
    case kDefineFont3:
        version = code == kDefineFont ? 1 : code == kDefineFont2 ? 2 : 3;
        kind = CharacterKind::Font;
        break;
    case kDefineText:
    case kDefineText2:
        version = code == kDefineText ? 1 : 2;
        kind = CharacterKind::Text;
        break;
    case kDefineSprite:
        kind = CharacterKind::Sprite;
        break;
    default:
        if (!IsHarmless(code))
            ctx_.Unsupported(TagName(code));
        return;
    }
    const uint16_t id = r.U16();
    if (!r.ok()) {
        ctx_.Problem(TagName(code) + " without a new character id is skipped");
        return;
    }
    if (m.dictionary.count(id)) {
        ctx_.Problem("character " + std::to_string(id) + " is defined twice; the first is kept");
        return;
    }
    bool ok = false;
    uint32_t index = 0;
    switch (kind) {
    case CharacterKind::Shape: {
        Shape s;
        if ((ok = ParseShape(r, version, &s, ctx_)))
            index = AddCharacter(m.shapes, std::move(s));
        break;
    }
    case CharacterKind::Morph: {
        MorphShape s;
        if ((ok = ParseMorphShape(r, version, &s, ctx_)))
            index = AddCharacter(m.morphs, std::move(s));
        break;
    }
    case CharacterKind::Bitmap: {
        Bitmap b;
        if (code == kDefineBitsLossless || code == kDefineBitsLossless2)
            ok = ParseLossless(r, version, &b, ctx_);
        else
            ok = ParseJpeg(r, version, &b, ctx_);
        if (ok)
            index = AddCharacter(m.bitmaps, std::move(b));
        break;
    }
    case CharacterKind::Font: {
        Font f;
        if ((ok = ParseFont(r, version, &f, ctx_)))
            index = AddCharacter(m.fonts, std::move(f));
        break;
    }
    case CharacterKind::Text: {
        Text t;
        if ((ok = ParseText(r, version, &t, ctx_)))
            index = AddCharacter(m.texts, std::move(t));
        break;
    }
    case CharacterKind::Sprite: {
        r.U16(); // frame count: the ShowFrame tags count
        Timeline t;
        if ((ok = r.ok() && ctx_.Charge(sizeof(Timeline)))) {
            TagStream(ctx_, false).Read(r.Here(), r.remaining(), &t);
            index = AddCharacter(m.sprites, std::move(t));
        }
        break;
    }
    }
    if (ok)
        AddDefinition(id, kind, index);
    else
        ctx_.Problem(TagName(code) + " " + std::to_string(id) + " is skipped");
}

// The inflated body of a compressed movie, within the reader's own limit and
// the memory cap.
bool InflateBody(const uint8_t* data, size_t size, std::vector<uint8_t>* body, ParseContext& ctx,
                 std::string* error) {
    MemorySource compressed(data + kSwfFixedHeaderSize, size - kSwfFixedHeaderSize);
    InflateSource in(compressed, std::min<uint64_t>(SwfInflateLimit(size), kMovieMemoryCap));
    const size_t block = 64 * 1024;
    for (;;) {
        if (!ctx.Charge(block)) {
            *error = "the movie is larger than the memory cap of 256 MiB";
            return false;
        }
        const size_t old = body->size();
        body->resize(old + block);
        const size_t got = ReadFull(in, body->data() + old, block);
        body->resize(old + got);
        ctx.Release(block - got);
        if (got < block)
            break;
    }
    if (!in.ok() || !in.finished()) {
        *error = "the compressed movie is corrupt or cut short";
        return false;
    }
    return true;
}

} // namespace

bool ParseContext::Charge(uint64_t bytes) {
    if (bytes > kMovieMemoryCap - movie_->memoryUsed)
        return false;
    movie_->memoryUsed += bytes;
    return true;
}

void ParseContext::Release(uint64_t bytes) {
    movie_->memoryUsed -= std::min(bytes, movie_->memoryUsed);
}

void ParseContext::Problem(const std::string& text) {
    if (movie_->problems.size() < kMaxProblems)
        movie_->problems.push_back(text);
}

bool ParseMovie(const uint8_t* data, size_t size, Movie* movie, std::string* error) {
    *movie = Movie{};
    ParseContext ctx(movie);
    if (size < kSwfFixedHeaderSize ||
        (std::memcmp(data, "FWS", 3) != 0 && std::memcmp(data, "CWS", 3) != 0)) {
        *error = "it is no SWF movie";
        return false;
    }
    movie->version = data[3];
    // The movie's bytes count while it is read; only what is kept stays charged.
    ctx.Charge(size);
    std::vector<uint8_t> inflated;
    const uint8_t* body = data + kSwfFixedHeaderSize;
    size_t bodySize = size - kSwfFixedHeaderSize;
    if (data[0] == 'C') {
        if (!InflateBody(data, size, &inflated, ctx, error))
            return false;
        body = inflated.data();
        bodySize = inflated.size();
    }
    BitReader r(body, bodySize);
    movie->stage = r.ReadRect();
    const uint8_t fraction = r.U8();
    movie->frameRate = r.U8() + fraction / 256.0;
    movie->headerFrameCount = r.U16();
    if (!r.ok()) {
        *error = "the movie ends inside its header";
        return false;
    }
    if (movie->stage.xmax <= movie->stage.xmin || movie->stage.ymax <= movie->stage.ymin) {
        *error = "the movie's stage is empty";
        return false;
    }
    TagStream(ctx, true).Read(r.Here(), r.remaining(), &movie->root);
    ctx.Release(size + inflated.size());
    return true;
}

bool LoadMovie(const std::string& path, Movie* movie, std::string* error) {
    File file(path, "rb");
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0) {
        *error = "it cannot be opened";
        return false;
    }
    uint64_t offset = 0, length = static_cast<uint64_t>(size);
    if (HasEnding(path, ".exe")) {
        ProjectorMovie embedded;
        if (!FindProjectorMovie(file, &embedded)) {
            *error = "it carries no movie";
            return false;
        }
        offset = embedded.offset;
        length = embedded.length;
    }
    if (length > kMovieMemoryCap) {
        *error = "the movie is larger than the memory cap of 256 MiB";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!file.Seek(static_cast<int64_t>(offset), SEEK_SET) ||
        !file.ReadExact(bytes.data(), bytes.size())) {
        *error = "it cannot be read";
        return false;
    }
    return ParseMovie(bytes.data(), bytes.size(), movie, error);
}

} // namespace ww::movie
