// Button records, repeated until a zero byte: flags UI8 (reserved UB[2],
// HasBlendMode, HasFilterList, StateHitTest, StateDown, StateOver, StateUp),
// character id and depth UI16, MATRIX; DefineButton2 adds a CXFORMWITHALPHA,
// then a filter list and a blend mode byte when their flags say. Filters and
// blend modes are read past and not drawn.
//
// DefineButton: the records, then one action list to the end of the tag.
// DefineButton2: a flags byte (TrackAsMenu), an action offset UI16 (from its
// own position; 0: no actions), the records, then condition-action records:
// size UI16 (to the next record; 0 for the last), conditions UI16, actions.
#include "movie/button.h"

#include <algorithm>

namespace ww::movie {

namespace {

constexpr size_t kMaxButtonRecords = 4096;

// Bytes of a filter after its id byte; false for an id no player knows.
bool SkipFilter(TagReader& r, uint8_t id) {
    switch (id) {
    case 0: // drop shadow
        r.Skip(23);
        return true;
    case 1: // blur
        r.Skip(9);
        return true;
    case 2: // glow
        r.Skip(15);
        return true;
    case 3: // bevel
        r.Skip(27);
        return true;
    case 4: // gradient glow
    case 7: // gradient bevel
        r.Skip(size_t(r.U8()) * 5 + 19);
        return true;
    case 5: { // convolution
        const size_t x = r.U8(), y = r.U8();
        r.Skip(8 + x * y * 4 + 5);
        return true;
    }
    case 6: // colour matrix
        r.Skip(80);
        return true;
    default:
        return false;
    }
}

bool ReadRecord(TagReader& r, int version, uint8_t flags, ButtonRecord* rec, ParseContext& ctx) {
    rec->states = flags & 0x0F;
    rec->characterId = r.U16();
    rec->depth = r.U16();
    rec->matrix = r.ReadMatrix();
    if (version < 2)
        return r.ok();
    rec->color = r.ReadColorTransform(true);
    if (flags & 0x10) {
        const unsigned count = r.U8();
        for (unsigned i = 0; i < count && r.ok(); ++i) {
            if (!SkipFilter(r, r.U8())) {
                ctx.Problem("button record has a filter of an unknown kind");
                return false;
            }
        }
        ctx.Unsupported("filters");
    }
    if (flags & 0x20) {
        if (r.U8() > 1)
            ctx.Unsupported("blend modes");
    }
    return r.ok();
}

bool ReadActions(TagReader& r, int version, Button* button, ParseContext& ctx) {
    if (version < 2) {
        ButtonAction a;
        a.conditions = 0x0008;
        a.records.assign(r.Here(), r.Here() + r.remaining());
        if (!a.records.empty() && ctx.Charge(a.records.size() + sizeof(a))) {
            button->actions.push_back(std::move(a));
            ctx.movie().scripted = true; // a click runs them
        }
        return true;
    }
    while (r.ok() && r.remaining() > 0) {
        const size_t size = r.U16();
        ButtonAction a;
        a.conditions = r.U16();
        // The size counts its own four bytes; the last record runs to the end.
        size_t length = r.remaining();
        if (size != 0) {
            if (size < 4 || size - 4 > r.remaining()) {
                ctx.Problem("button action record runs past its tag");
                return false;
            }
            length = size - 4;
        }
        if (!r.ok() || !ctx.Charge(length + sizeof(a)))
            return false;
        a.records.assign(r.Here(), r.Here() + length);
        r.Skip(length);
        button->actions.push_back(std::move(a));
        ctx.movie().scripted = true;
        if (size == 0)
            break;
    }
    return true;
}

} // namespace

bool ParseButton(TagReader& r, int version, Button* button, ParseContext& ctx) {
    size_t actionOffset = 0;
    const uint8_t* actionBase = nullptr;
    if (version >= 2) {
        button->trackAsMenu = r.U8() & 0x01;
        actionBase = r.Here();
        actionOffset = r.U16();
    }
    while (r.ok()) {
        const uint8_t flags = r.U8();
        if (flags == 0 || !r.ok())
            break;
        ButtonRecord rec;
        if (!ReadRecord(r, version, flags, &rec, ctx) ||
            button->records.size() >= kMaxButtonRecords || !ctx.Charge(sizeof(rec))) {
            ctx.Problem("button records are cut short");
            return false;
        }
        button->records.push_back(rec);
    }
    if (!r.ok()) {
        ctx.Problem("button records are cut short");
        return false;
    }
    std::stable_sort(
        button->records.begin(), button->records.end(),
        [](const ButtonRecord& a, const ButtonRecord& b) { return a.depth < b.depth; });
    if (version >= 2) {
        if (actionOffset == 0)
            return true;
        // The offset counts from its own field; actions start where it says.
        const size_t consumed = static_cast<size_t>(r.Here() - actionBase);
        if (actionOffset < consumed || actionOffset - consumed > r.remaining()) {
            ctx.Problem("button actions lie outside their tag");
            return true;
        }
        r.Skip(actionOffset - consumed);
    }
    ReadActions(r, version, button, ctx);
    return true;
}

void ApplyButtonCxform(TagReader& r, ParseContext& ctx) {
    const uint16_t id = r.U16();
    const ColorTransform cx = r.ReadColorTransform(false);
    const CharacterRef* ref = ctx.movie().Find(id);
    if (!r.ok() || !ref || ref->kind != CharacterKind::Button) {
        ctx.Problem("DefineButtonCxform names no button");
        return;
    }
    for (ButtonRecord& rec : ctx.movie().buttons[ref->index].records)
        rec.color = cx;
}

namespace {

// Objects one button state may show, nested sprites' included: sprites
// that place each other twice at every level would otherwise grow without
// bound.
constexpr size_t kMaxButtonObjects = 1u << 14;

// A sprite's first frame placed into state, without playing it; left is
// what remains of kMaxButtonObjects.
void FirstFrame(const Movie& movie, const Timeline& timeline, int nesting, SpriteState* state,
                size_t* left) {
    state->timeline = &timeline;
    state->nesting = nesting;
    if (timeline.frames.empty())
        return;
    for (const FrameCommand& c : timeline.frames[0].commands) {
        if (*left == 0)
            return;
        --*left;
        if (c.remove) {
            state->objects.erase(c.place.depth);
            continue;
        }
        const PlaceCommand& p = c.place;
        DisplayObject& o = state->objects[p.depth];
        o.depth = p.depth;
        if (p.hasCharacter) {
            const CharacterRef* ref = movie.Find(p.characterId);
            if (!ref || ref->kind == CharacterKind::Bitmap || ref->kind == CharacterKind::Font) {
                state->objects.erase(p.depth);
                continue;
            }
            o.characterId = p.characterId;
            o.ref = *ref;
            o.sprite.reset();
            if (ref->kind == CharacterKind::Sprite && nesting + 1 < kMaxSpriteNesting) {
                o.sprite = std::make_unique<SpriteState>();
                o.sprite->parent = state;
                FirstFrame(movie, movie.sprites[ref->index], nesting + 1, o.sprite.get(), left);
            }
        } else if (o.characterId == 0 && !o.sprite) {
            state->objects.erase(p.depth);
            continue;
        }
        if (p.hasMatrix)
            o.matrix = p.matrix;
        if (p.hasColor)
            o.color = p.color;
        if (p.hasRatio)
            o.ratio = p.ratio;
        if (p.hasClipDepth)
            o.clipDepth = p.clipDepth;
    }
}

} // namespace

void ButtonDisplayList(const Movie& movie, const Button& button, uint8_t state, int nesting,
                       SpriteState* out) {
    out->objects.clear();
    out->nesting = nesting;
    size_t left = kMaxButtonObjects;
    for (const ButtonRecord& rec : button.records) {
        if (!(rec.states & state))
            continue;
        const CharacterRef* ref = movie.Find(rec.characterId);
        if (!ref || ref->kind == CharacterKind::Bitmap || ref->kind == CharacterKind::Font)
            continue;
        // Two records at one depth: the later one shows, as a later place would.
        DisplayObject& o = out->objects[rec.depth];
        o = DisplayObject{};
        o.depth = rec.depth;
        o.characterId = rec.characterId;
        o.ref = *ref;
        o.matrix = rec.matrix;
        o.color = rec.color;
        if (ref->kind == CharacterKind::Sprite && nesting + 1 < kMaxSpriteNesting) {
            o.sprite = std::make_unique<SpriteState>();
            o.sprite->parent = out;
            FirstFrame(movie, movie.sprites[ref->index], nesting + 1, o.sprite.get(), &left);
        }
    }
}

} // namespace ww::movie
