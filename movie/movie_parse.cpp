// The tag stream of a movie and of its sprites.
//
// After the header (see swf/swf_reader.h) come tags (see swf/tags.h). A tag whose length runs past
// its stream ends that stream; everything before it is kept. DefineSprite (id, frame count, then a
// stream of its own control tags) is read on the main timeline only.
//
// PlaceObject2 flags (UB[1] each, first bit first): HasClipActions,
// HasClipDepth, HasName, HasRatio, HasColorTransform, HasMatrix,
// HasCharacter, Move; then depth, id, matrix, CXFORMWITHALPHA, ratio, name,
// clip depth. PlaceObject3 adds a second flag byte before the depth
// (HasFilterList 0x01, HasBlendMode 0x02, HasCacheAsBitmap 0x04, HasClassName
// 0x08, HasImage 0x10, HasVisible 0x20, HasOpaqueBackground 0x40) and an
// optional class name; after the clip depth come the filter list, the blend
// mode UI8, the cache flag UI8, the visible UI8 and the background RGBA.
#include "common/bytes.h"
#include "common/file.h"
#include "common/path.h"
#include "movie/button.h"
#include "movie/edit_text.h"
#include "movie/parse_internal.h"
#include "swf/byte_source.h"
#include "swf/projector.h"
#include "swf/swf_reader.h"
#include "swf/tags.h"

#include <algorithm>
#include <cstring>

namespace ww::movie {

namespace {

constexpr size_t kMaxProblems = 64;

// Tags that change nothing in the picture: metadata, debugging, font names.
bool IsHarmless(uint16_t code) {
    static const uint16_t kCodes[] = {kTagDefineFontInfo,  kTagProtect,
                                      kTagNameCharacter,   kTagProductInfo,
                                      kTagExportAssets,    kTagEnableDebugger,
                                      kTagDebugId,         kTagEnableDebugger2,
                                      kTagScriptLimits,    kTagSetTabIndex,
                                      kTagFileAttributes,  kTagDefineFontAlignZones,
                                      kTagCSMTextSettings, kTagSymbolClass,
                                      kTagMetadata,        kTagDefineSceneAndFrameLabelData,
                                      kTagDefineFontName};
    return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

// The bytes of an action block as a shared buffer, charged to the movie.
ActionBytes KeepActions(const uint8_t* data, size_t size, ParseContext& ctx) {
    if (!ctx.Charge(size + 64))
        return nullptr;
    return std::make_shared<const std::vector<uint8_t>>(data, data + size);
}

// CLIPACTIONS: reserved UI16, all event flags (UI16 before SWF 6, UI32
// after), then records of event flags, a UI32 size, a key code byte for key
// presses and the actions, up to flags of 0.
void ReadClipActions(TagReader& r, PlaceCommand* p, ParseContext& ctx) {
    const bool wide = ctx.movie().version >= 6;
    r.U16();
    if (wide)
        r.U32();
    else
        r.U16();
    auto list = std::make_shared<std::vector<ClipAction>>();
    while (r.ok() && r.remaining() > 0) {
        const uint32_t events = wide ? r.U32() : r.U16();
        if (!r.ok() || events == 0)
            break;
        uint32_t size = r.U32();
        if (!r.ok() || size > r.remaining()) {
            ctx.Problem("clip action record runs past its tag");
            break;
        }
        ClipAction a;
        a.events = events;
        if ((events & (1u << 17)) && size > 0) {
            a.keyCode = r.U8();
            --size;
        }
        a.actions = KeepActions(r.Here(), size, ctx);
        r.Skip(size);
        if (!a.actions || !ctx.Charge(sizeof(ClipAction)))
            break;
        list->push_back(std::move(a));
    }
    if (!list->empty()) {
        p->clipActions = std::move(list);
        ctx.movie().scripted = true;
    }
}

bool ReadPlace(TagReader& r, uint16_t code, PlaceCommand* p, ParseContext& ctx) {
    if (code == kTagPlaceObject) {
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
    if (code == kTagPlaceObject3)
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
    if (flags & 0x20) {
        p->hasName = true;
        p->name = r.String();
    }
    if (p->hasClipDepth)
        p->clipDepth = r.U16();
    p->hasFilters = flags2 & 0x01;
    p->hasBlendMode = flags2 & 0x02;
    p->hasCacheAsBitmap = flags2 & 0x04;
    if (p->hasFilters && !ReadFilterList(r, &p->filters, ctx))
        return false;
    if (p->hasBlendMode)
        p->blendMode = BlendModeOf(r.U8());
    // Some writers set the flag and leave the byte out: cached then.
    if (p->hasCacheAsBitmap)
        p->cacheAsBitmap = r.remaining() == 0 || r.U8() != 0;
    p->hasVisible = flags2 & 0x20;
    if (p->hasVisible)
        p->visible = r.U8() != 0;
    p->hasBackground = flags2 & 0x40;
    if (p->hasBackground) {
        p->background.r = r.U8();
        p->background.g = r.U8();
        p->background.b = r.U8();
        p->background.a = r.U8();
    }
    // Clip actions come last, after PlaceObject3's own fields.
    if (flags & 0x80)
        ReadClipActions(r, p, ctx);
    return r.ok();
}

// Action records until ActionEndFlag: code UI8, and for codes of 0x80 and up a
// UI16 length and that many bytes. The block is kept whole for the script
// runtime; the timeline actions are also kept apart, which is all a movie
// without other scripts needs.
void ReadActions(TagReader& r, Frame* frame, ParseContext& ctx) {
    if (ActionBytes whole = KeepActions(r.Here(), r.remaining(), ctx)) {
        frame->scripts.push_back(std::move(whole));
        frame->scriptAfter.push_back(static_cast<uint32_t>(frame->commands.size()));
    }
    while (r.ok() && r.remaining() > 0) {
        const uint8_t code = r.U8();
        if (code == 0)
            return;
        size_t length = code >= 0x80 ? r.U16() : 0;
        if (!r.ok() || length > r.remaining()) {
            ctx.Problem("action record runs past its tag");
            return;
        }
        TagReader body(r.Here(), length);
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
            ctx.movie().scripted = true;
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
    void Define(uint16_t code, TagReader& r);
    void Control(uint16_t code, TagReader& r, Frame* frame, Timeline* timeline);
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
            ctx_.Problem(SwfTagName(code) + " tag runs past the end of the movie");
            break;
        }
        TagReader r(data + pos, length);
        pos += length;
        if (code == kTagEnd)
            break;
        if (code == kTagShowFrame) {
            if (timeline->frames.size() < kMaxFrames && ctx_.Charge(sizeof(Frame)))
                timeline->frames.push_back(std::move(frame));
            frame = Frame{};
            continue;
        }
        Control(code, r, &frame, timeline);
    }
    // Commands after the last ShowFrame show only in a movie without frames.
    if (timeline->frames.empty() &&
        (!frame.commands.empty() || !frame.actions.empty() || !frame.scripts.empty()))
        timeline->frames.push_back(std::move(frame));
}

void TagStream::Control(uint16_t code, TagReader& r, Frame* frame, Timeline* timeline) {
    switch (code) {
    case kTagPlaceObject:
    case kTagPlaceObject2:
    case kTagPlaceObject3: {
        FrameCommand c;
        if (!ReadPlace(r, code, &c.place, ctx_)) {
            ctx_.Problem(SwfTagName(code) + " is cut short");
            return;
        }
        if (ctx_.Charge(sizeof(FrameCommand)))
            frame->commands.push_back(c);
        return;
    }
    case kTagRemoveObject:
    case kTagRemoveObject2: {
        FrameCommand c;
        c.remove = true;
        if (code == kTagRemoveObject)
            r.U16();
        c.place.depth = r.U16();
        if (r.ok() && ctx_.Charge(sizeof(FrameCommand)))
            frame->commands.push_back(c);
        return;
    }
    case kTagDoAction:
        ReadActions(r, frame, ctx_);
        return;
    case kTagDoInitAction: {
        InitAction init;
        init.spriteId = r.U16();
        if (r.ok())
            init.actions = KeepActions(r.Here(), r.remaining(), ctx_);
        if (init.actions && ctx_.Charge(sizeof(InitAction))) {
            frame->initScripts.push_back(std::move(init));
            ctx_.movie().scripted = true;
        }
        return;
    }
    case kTagScriptLimits:
        // UI16 recursion depth, UI16 timeout in seconds (the timeout is ours).
        ctx_.movie().maxRecursion = r.U16();
        if (!r.ok())
            ctx_.movie().maxRecursion = 0;
        return;
    case kTagExportAssets: {
        // UI16 count, then a UI16 character id and a name for each.
        const uint16_t count = r.U16();
        for (uint16_t i = 0; i < count && r.ok(); ++i) {
            const uint16_t id = r.U16();
            const std::string name = r.String();
            if (r.ok() && ctx_.Charge(sizeof(std::string) * 4 + name.size()))
                ctx_.movie().exports.emplace(name, id);
        }
        return;
    }
    case kTagFileAttributes:
        // The first byte's lowest bit is UseNetwork.
        ctx_.movie().useNetwork = (r.U8() & 1) != 0;
        break;
    case kTagDefineSound: {
        // UI16 id, UI8 format (4 bits), rate (2), size, type, UI32 sample count.
        static const double kRates[4] = {5512.5, 11025, 22050, 44100};
        const uint16_t id = r.U16();
        const uint8_t format = r.U8();
        const uint32_t samples = r.U32();
        if (r.ok() && root_ && ctx_.Charge(sizeof(SoundInfo) + 32))
            ctx_.movie().sounds[id] = SoundInfo{samples, kRates[(format >> 2) & 3]};
        break;
    }
    case kTagFrameLabel: {
        const std::string label = r.String();
        const uint32_t index = static_cast<uint32_t>(timeline->frames.size());
        if (r.ok() && ctx_.Charge(sizeof(std::string) * 4 + label.size()))
            timeline->labels.emplace(label, index);
        return;
    }
    case kTagSetBackgroundColor:
        // Flash keeps the first background a movie sets.
        if (root_ && !ctx_.movie().hasBackground) {
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
            ctx_.Problem(SwfTagName(code) + " inside a sprite is ignored");
        return;
    }
    Define(code, r);
}

void TagStream::AddDefinition(uint16_t id, CharacterKind kind, uint32_t index) {
    ctx_.movie().dictionary.emplace(id, CharacterRef{kind, index});
}

// Each parser reads what follows the character id into the movie's table of
// its kind and answers the index there.
using DefinitionParser = bool (*)(TagReader& r, int version, uint32_t* index, ParseContext& ctx);

template <typename T, bool (*Parse)(TagReader&, int, T*, ParseContext&),
          std::vector<T> Movie::*Table>
bool ParseInto(TagReader& r, int version, uint32_t* index, ParseContext& ctx) {
    T value;
    if (!Parse(r, version, &value, ctx))
        return false;
    *index = AddCharacter(ctx.movie().*Table, std::move(value));
    return true;
}

// DefineSprite: a frame count (the ShowFrame tags count instead), then a tag
// stream of its own control tags.
bool ParseSprite(TagReader& r, int, uint32_t* index, ParseContext& ctx) {
    r.U16();
    if (!r.ok() || !ctx.Charge(sizeof(Timeline)))
        return false;
    Timeline t;
    TagStream(ctx, false).Read(r.Here(), r.remaining(), &t);
    *index = AddCharacter(ctx.movie().sprites, std::move(t));
    return true;
}

struct DefinitionTag {
    SwfTagCode code;
    CharacterKind kind;
    int version; // of the tag within its kind, as its parser takes it
    DefinitionParser parse;
};

const DefinitionTag kDefinitionTags[] = {
    {kTagDefineShape, CharacterKind::Shape, 1, ParseInto<Shape, ParseShape, &Movie::shapes>},
    {kTagDefineShape2, CharacterKind::Shape, 2, ParseInto<Shape, ParseShape, &Movie::shapes>},
    {kTagDefineShape3, CharacterKind::Shape, 3, ParseInto<Shape, ParseShape, &Movie::shapes>},
    {kTagDefineShape4, CharacterKind::Shape, 4, ParseInto<Shape, ParseShape, &Movie::shapes>},
    {kTagDefineMorphShape, CharacterKind::Morph, 1,
     ParseInto<MorphShape, ParseMorphShape, &Movie::morphs>},
    {kTagDefineMorphShape2, CharacterKind::Morph, 2,
     ParseInto<MorphShape, ParseMorphShape, &Movie::morphs>},
    {kTagDefineBits, CharacterKind::Bitmap, 1, ParseInto<Bitmap, ParseJpeg, &Movie::bitmaps>},
    {kTagDefineBitsJpeg2, CharacterKind::Bitmap, 2, ParseInto<Bitmap, ParseJpeg, &Movie::bitmaps>},
    {kTagDefineBitsJpeg3, CharacterKind::Bitmap, 3, ParseInto<Bitmap, ParseJpeg, &Movie::bitmaps>},
    {kTagDefineBitsLossless, CharacterKind::Bitmap, 1,
     ParseInto<Bitmap, ParseLossless, &Movie::bitmaps>},
    {kTagDefineBitsLossless2, CharacterKind::Bitmap, 2,
     ParseInto<Bitmap, ParseLossless, &Movie::bitmaps>},
    {kTagDefineFont, CharacterKind::Font, 1, ParseInto<Font, ParseFont, &Movie::fonts>},
    {kTagDefineFont2, CharacterKind::Font, 2, ParseInto<Font, ParseFont, &Movie::fonts>},
    {kTagDefineFont3, CharacterKind::Font, 3, ParseInto<Font, ParseFont, &Movie::fonts>},
    {kTagDefineText, CharacterKind::Text, 1, ParseInto<Text, ParseText, &Movie::texts>},
    {kTagDefineText2, CharacterKind::Text, 2, ParseInto<Text, ParseText, &Movie::texts>},
    {kTagDefineSprite, CharacterKind::Sprite, 0, ParseSprite},
    {kTagDefineEditText, CharacterKind::EditText, 1,
     ParseInto<EditText, ParseEditText, &Movie::editTexts>},
    {kTagDefineButton, CharacterKind::Button, 1, ParseInto<Button, ParseButton, &Movie::buttons>},
    {kTagDefineButton2, CharacterKind::Button, 2, ParseInto<Button, ParseButton, &Movie::buttons>},
};

void TagStream::Define(uint16_t code, TagReader& r) {
    if (code == kTagJpegTables) {
        ctx_.jpegTables = r.Here();
        ctx_.jpegTablesSize = r.remaining();
        return;
    }
    if (code == kTagDefineScalingGrid) {
        // Character id UI16, then the grid's centre RECT in its twips.
        const uint16_t id = r.U16();
        const Rect grid = r.ReadRect();
        if (r.ok() && ctx_.Charge(sizeof(Rect) + 16))
            ctx_.movie().scalingGrids[id] = grid;
        return;
    }
    if (code == kTagDefineButtonCxform) {
        ApplyButtonCxform(r, ctx_);
        return;
    }
    const DefinitionTag* tag = nullptr;
    for (const DefinitionTag& t : kDefinitionTags) {
        if (t.code == code)
            tag = &t;
    }
    if (!tag) {
        if (!IsHarmless(code))
            ctx_.Unsupported(SwfTagName(code));
        return;
    }
    const uint16_t id = r.U16();
    if (!r.ok()) {
        ctx_.Problem(SwfTagName(code) + " without a new character id is skipped");
        return;
    }
    if (ctx_.movie().dictionary.count(id)) {
        ctx_.Problem("character " + std::to_string(id) + " is defined twice; the first is kept");
        return;
    }
    uint32_t index = 0;
    if (tag->parse(r, tag->version, &index, ctx_))
        AddDefinition(id, tag->kind, index);
    else
        ctx_.Problem(SwfTagName(code) + " " + std::to_string(id) + " is skipped");
}

// zlib's greatest ratio: no stream inflates to more than this many bytes for
// each of its own.
constexpr uint64_t kMaxInflateRatio = 1032;

// The inflated body of a compressed movie, within the memory cap. The body is
// allocated once at the length the header declares (a length no stream of
// this size could reach is not believed), and grows only when the stream
// outlasts it.
bool InflateBody(const uint8_t* data, size_t size, std::vector<uint8_t>* body, ParseContext& ctx,
                 std::string* error) {
    const char* tooLarge = "the movie is larger than the memory cap of 256 MiB";
    const uint64_t compressedSize = size - kSwfFixedHeaderSize;
    MemorySource compressed(data + kSwfFixedHeaderSize, compressedSize);
    InflateSource in(compressed, kMovieMemoryCap);
    const uint32_t declared = LoadU32(data + 4);
    uint64_t expected = declared > kSwfFixedHeaderSize ? declared - kSwfFixedHeaderSize : 0;
    expected = std::min(
        {expected, compressedSize * kMaxInflateRatio, kMovieMemoryCap - ctx.movie().memoryUsed});
    if (!ctx.Charge(expected)) {
        *error = tooLarge;
        return false;
    }
    body->resize(static_cast<size_t>(expected));
    const size_t got = ReadFull(in, body->data(), body->size());
    ctx.Release(expected - got);
    body->resize(got);
    // A header that understates the length: the rest comes a block at a time.
    std::vector<uint8_t> block(got == expected ? 64 * 1024 : 0);
    while (!block.empty()) {
        const size_t more = ReadFull(in, block.data(), block.size());
        if (more == 0)
            break;
        if (!ctx.Charge(more)) {
            *error = tooLarge;
            return false;
        }
        body->insert(body->end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(more));
    }
    if (!in.ok() && in.produced() >= kMovieMemoryCap) {
        *error = tooLarge;
        return false;
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
    movie->fileLength = LoadU32(data + 4);
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
    TagReader r(body, bodySize);
    SwfFrameHeader header;
    if (!ReadSwfFrameHeader(r, &header)) {
        *error = "the movie ends inside its header";
        return false;
    }
    movie->stage = header.stage;
    movie->frameRate = header.frameRate / 256.0;
    movie->headerFrameCount = header.frameCount;
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
    if (!ParseMovie(bytes.data(), bytes.size(), movie, error))
        return false;
    movie->folder = FolderOfPath(path);
    if (movie->folder.empty())
        movie->folder = ".";
    return true;
}

} // namespace ww::movie
