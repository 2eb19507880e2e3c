// Movie clips as script objects: their display properties read from and
// written to the display object the renderer draws, their children by
// instance name, paths, and the MovieClip methods.
#include "movie/avm1/clip.h"

#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/drawing.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/avm1/loader.h"
#include "movie/focus.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr double kPi = 3.141592653589793;
// Script depths are kept above the timeline's: depth 0 of a script is
// display depth 16384, as Flash has it.
constexpr int kScriptDepthBase = 16384;

enum PropertyIndex {
    kX,
    kY,
    kXScale,
    kYScale,
    kCurrentFrame,
    kTotalFrames,
    kAlpha,
    kVisible,
    kWidth,
    kHeight,
    kRotation,
    kTarget,
    kFramesLoaded,
    kName,
    kDropTarget,
    kUrl,
    kHighQuality,
    kFocusRect,
    kSoundBufTime,
    kQuality,
    kXMouse,
    kYMouse,
    kPropertyCount
};

const char* const kPropertyNames[kPropertyCount] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};

int PropertyIndexOf(Vm& vm, const std::string& name) {
    if (name.empty() || name[0] != '_')
        return -1;
    const std::string key = vm.Key(name);
    for (int i = 0; i < kPropertyCount; ++i) {
        if (key == vm.Key(kPropertyNames[i]) || (vm.version() >= 7 && name == kPropertyNames[i]))
            return i;
    }
    // Property names are case-insensitive in every version.
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (int i = 0; i < kPropertyCount; ++i) {
        if (lower == kPropertyNames[i])
            return i;
    }
    return -1;
}

SpriteState* Sprite(Object* clip) {
    return clip && clip->kind == ObjectKind::Clip ? clip->clip : nullptr;
}

// The bounds of a character in its own twips; false for none.
bool CharacterBounds(const Movie& movie, const DisplayObject& o, Rect* r);

void Extend(Rect* r, bool* any, const Rect& b, const Matrix& m) {
    const double xs[2] = {static_cast<double>(b.xmin), static_cast<double>(b.xmax)};
    const double ys[2] = {static_cast<double>(b.ymin), static_cast<double>(b.ymax)};
    for (double x : xs) {
        for (double y : ys) {
            const int32_t px = static_cast<int32_t>(std::lround(m.a * x + m.c * y + m.tx));
            const int32_t py = static_cast<int32_t>(std::lround(m.b * x + m.d * y + m.ty));
            if (!*any) {
                *r = Rect{px, px, py, py};
                *any = true;
            }
            r->xmin = std::min(r->xmin, px);
            r->xmax = std::max(r->xmax, px);
            r->ymin = std::min(r->ymin, py);
            r->ymax = std::max(r->ymax, py);
        }
    }
}

bool SpriteBounds(const Movie& outer, const SpriteState& s, Rect* r) {
    const Movie& movie = s.movie ? *s.movie : outer; // a loaded clip's own
    bool any = false;
    if (s.drawing && s.drawing->hasBounds)
        Extend(r, &any, s.drawing->shape.bounds, Matrix{});
    for (const auto& entry : s.objects) {
        Rect b;
        if (CharacterBounds(movie, entry.second, &b))
            Extend(r, &any, b, entry.second.matrix);
    }
    return any;
}

bool CharacterBounds(const Movie& movie, const DisplayObject& o, Rect* r) {
    switch (o.ref.kind) {
    case CharacterKind::Shape:
        *r = movie.shapes[o.ref.index].bounds;
        return true;
    case CharacterKind::Morph:
        *r = movie.morphs[o.ref.index].start.bounds;
        return true;
    case CharacterKind::Text: {
        bool any = false;
        Extend(r, &any, movie.texts[o.ref.index].bounds, movie.texts[o.ref.index].matrix);
        return any;
    }
    case CharacterKind::Sprite:
        return o.sprite && SpriteBounds(movie, *o.sprite, r);
    case CharacterKind::EditText:
        return FieldBox(movie, o, r);
    default:
        return false;
    }
}

// The matrix from a clip's own space to the stage, in twips.
Matrix ToStage(const SpriteState& s) {
    Matrix m;
    for (const SpriteState* p = &s; p && p->owner; p = p->parent)
        m = Multiply(p->owner->matrix, m);
    return m;
}

double Round(double v, double unit) {
    return std::round(v / unit) * unit;
}

struct Decomposed {
    double xscale, yscale, rotation;
};

Decomposed Decompose(const Matrix& m) {
    Decomposed d;
    d.xscale = std::sqrt(m.a * m.a + m.b * m.b) * 100;
    d.yscale = std::sqrt(m.c * m.c + m.d * m.d) * 100;
    if (m.a * m.d - m.b * m.c < 0)
        d.yscale = -d.yscale;
    d.rotation = std::atan2(m.b, m.a) * 180 / kPi;
    return d;
}

void Compose(Matrix* m, const Decomposed& d) {
    const double r = d.rotation * kPi / 180;
    const double sx = d.xscale / 100, sy = d.yscale / 100;
    m->a = sx * std::cos(r);
    m->b = sx * std::sin(r);
    m->c = -sy * std::sin(r);
    m->d = sy * std::cos(r);
}

Value Get(Vm& vm, Object* clip, int index) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return Value::Undefined();
    const DisplayObject* o = s->owner;
    const Matrix m = o ? o->matrix : Matrix();
    switch (index) {
    case kX:
        return Value::Num(m.tx / kTwipsPerPixel);
    case kY:
        return Value::Num(m.ty / kTwipsPerPixel);
    case kXScale:
        return Value::Num(Round(Decompose(m).xscale, 1e-10));
    case kYScale:
        return Value::Num(Round(Decompose(m).yscale, 1e-10));
    case kRotation:
        return Value::Num(Round(Decompose(m).rotation, 1e-10));
    case kCurrentFrame:
        return Value::Num(s->timeline->frames.empty() ? 0 : s->frame + 1);
    case kTotalFrames:
    case kFramesLoaded:
        return Value::Num(static_cast<double>(s->timeline->frames.size()));
    case kAlpha:
        return Value::Num(o ? o->color.mult[3] * 100.0 : 100);
    case kVisible:
        return Value::Bool(o ? o->visible : true);
    case kWidth:
    case kHeight: {
        Rect r{};
        if (!SpriteBounds(ScriptHost::Of(vm).movie(), *s, &r))
            return Value::Num(0);
        bool any = false;
        Rect t{};
        Extend(&t, &any, r, m);
        const double v = index == kWidth ? t.xmax - t.xmin : t.ymax - t.ymin;
        return Value::Num(v / kTwipsPerPixel);
    }
    case kTarget:
        return Value::Str(ClipSlashPath(vm, clip));
    case kName:
        return Value::Str(o ? o->name : "");
    case kDropTarget:
        return Value::Str(DropTargetOf(vm, *s));
    case kUrl:
        // What was loaded into the clip or a clip around it.
        for (const SpriteState* p = s; p; p = p->parent) {
            if (!p->url.empty())
                return Value::Str(p->url);
        }
        return Value::Str("");
    case kHighQuality:
        return Value::Num(1);
    case kFocusRect:
        return GetFocusRect(vm, clip);
    case kSoundBufTime:
        return Value::Num(5);
    case kQuality:
        return Value::Str("HIGH");
    case kXMouse:
    case kYMouse: {
        double x, y;
        PointerInClip(vm, *s, &x, &y);
        return Value::Num(index == kXMouse ? x : y);
    }
    default:
        return Value::Undefined();
    }
}

void Set(Vm& vm, Object* clip, int index, const Value& v) {
    if (index == kFocusRect) {
        SetFocusRect(vm, clip, v);
        return;
    }
    SpriteState* s = Sprite(clip);
    if (!s || !s->owner)
        return;
    DisplayObject& o = *s->owner;
    const double n = vm.ToNumber(v);
    const bool number = std::isfinite(n);
    switch (index) {
    case kX:
        if (number)
            o.matrix.tx = std::trunc(n * kTwipsPerPixel);
        break;
    case kY:
        if (number)
            o.matrix.ty = std::trunc(n * kTwipsPerPixel);
        break;
    case kXScale:
    case kYScale:
    case kRotation: {
        if (!number)
            break;
        Decomposed d = Decompose(o.matrix);
        if (index == kXScale)
            d.xscale = n;
        else if (index == kYScale)
            d.yscale = n;
        else
            d.rotation = std::fmod(n, 360.0);
        Compose(&o.matrix, d);
        break;
    }
    case kAlpha:
        if (number)
            o.color.mult[3] = static_cast<float>(n / 100);
        break;
    case kVisible:
        o.visible = vm.ToBoolean(v);
        break;
    case kWidth:
    case kHeight: {
        Rect r{};
        if (!number || n < 0 || !SpriteBounds(ScriptHost::Of(vm).movie(), *s, &r))
            break;
        const double size = (index == kWidth ? r.xmax - r.xmin : r.ymax - r.ymin) / 20.0;
        if (size <= 0)
            break;
        Decomposed d = Decompose(o.matrix);
        (index == kWidth ? d.xscale : d.yscale) = n / size * 100;
        Compose(&o.matrix, d);
        break;
    }
    case kName:
        o.name = vm.ToString(v);
        break;
    default:
        break; // read-only, or not drawn
    }
}

bool IsPlainShape(const DisplayObject& o) {
    return o.ref.kind == CharacterKind::Shape || o.ref.kind == CharacterKind::Morph;
}

DisplayObject* ChildByName(Vm& vm, SpriteState& s, const std::string& name) {
    const std::string key = vm.Key(name);
    for (auto& entry : s.objects) {
        if (entry.second.sprite && vm.Key(entry.second.name) == key)
            return &entry.second;
    }
    return nullptr;
}

} // namespace

Object* RootOf(Vm& vm, Object* from) {
    SpriteState* s = from && from->kind == ObjectKind::Clip ? from->clip : nullptr;
    if (!s)
        return vm.rootClip;
    ScriptHost& host = ScriptHost::Of(vm);
    for (;;) {
        Object* o = host.ObjectOf(*s);
        if (!s->parent)
            return o;
        if (const Property* lock = o->FindOwn(vm.Key("_lockroot"))) {
            if (vm.ToBoolean(lock->value))
                return o;
        }
        s = const_cast<SpriteState*>(s->parent);
    }
}

bool IsLevelName(const std::string& key) {
    if (key.size() < 7 || key.size() > 11 || key.compare(0, 6, "_level") != 0)
        return false;
    return std::all_of(key.begin() + 6, key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Object* LevelClip(Vm& vm, const std::string& key) {
    if (!IsLevelName(key))
        return nullptr;
    const long n = std::stol(key.substr(6));
    if (n == 0)
        return vm.rootClip;
    SpriteState* level = ScriptHost::Of(vm).Level(static_cast<int>(std::min(n, 65536L)), false);
    return level ? ScriptHost::Of(vm).ObjectOf(*level) : nullptr;
}

namespace {

Object* Step(Vm& vm, Object* at, const std::string& part) {
    if (!at)
        return nullptr;
    if (part.empty() || part == "this" || part == ".")
        return at;
    const std::string key = vm.Key(part);
    if (part == ".." || key == "_parent")
        return ClipParent(vm, at);
    if (key == "_root")
        return RootOf(vm, at);
    if (IsLevelName(key))
        return LevelClip(vm, key);
    if (key == "_global")
        return vm.global;
    if (SpriteState* s = Sprite(at)) {
        if (DisplayObject* child = ChildByName(vm, *s, part))
            return ScriptHost::Of(vm).ObjectOf(*child->sprite);
        Value instance;
        if (InstanceChild(vm, *s, part, &instance))
            return instance.o;
    }
    Value v = vm.Get(Value::Obj(at), part);
    return v.type == Type::Object ? v.o : nullptr;
}

} // namespace

bool ClipGet(Vm& vm, Object* clip, const std::string& name, Value* out) {
    const int index = PropertyIndexOf(vm, name);
    if (index < 0 || !Sprite(clip))
        return false;
    *out = Get(vm, clip, index);
    return true;
}

bool ClipSet(Vm& vm, Object* clip, const std::string& name, const Value& v) {
    const int index = PropertyIndexOf(vm, name);
    if (index < 0 || !Sprite(clip))
        return false;
    Set(vm, clip, index, v);
    return true;
}

bool ClipChild(Vm& vm, Object* clip, const std::string& name, Value* out) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return false;
    DisplayObject* child = ChildByName(vm, *s, name);
    if (child) {
        *out = Value::Obj(ScriptHost::Of(vm).ObjectOf(*child->sprite));
        return true;
    }
    if (InstanceChild(vm, *s, name, out))
        return true;
    // A named shape has no object of its own: Flash answers with its clip.
    const std::string key = vm.Key(name);
    for (const auto& entry : s->objects) {
        const DisplayObject& o = entry.second;
        if (IsPlainShape(o) && !o.name.empty() && vm.Key(o.name) == key) {
            *out = Value::Obj(clip);
            return true;
        }
    }
    return false;
}

void ClipChildNames(Vm& vm, Object* clip, std::vector<std::string>* names,
                    std::vector<std::string>* seen) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return;
    // Every named child is listed, buttons, fields and shapes too.
    for (auto it = s->objects.rbegin(); it != s->objects.rend(); ++it) {
        if (it->second.name.empty())
            continue;
        const std::string key = vm.Key(it->second.name);
        if (std::find(seen->begin(), seen->end(), key) != seen->end())
            continue;
        seen->push_back(key);
        names->push_back(it->second.name);
    }
}

std::string ClipPath(Vm& vm, Object* clip) {
    SpriteState* s = Sprite(clip);
    std::string path;
    if (!s && clip && clip->instance && clip->instance->Owner()) {
        // A field or button: its parent's path and its own name.
        path = "." + clip->instance->Owner()->name;
        s = clip->instance->parent;
    }
    if (!s)
        return "";
    const SpriteState* top = s;
    for (const SpriteState* p = s; p && p->owner; p = p->parent) {
        path = "." + p->owner->name + path;
        top = p->parent;
    }
    (void)vm;
    return "_level" + std::to_string(top ? top->level : 0) + path;
}

std::string ClipSlashPath(Vm& vm, Object* clip) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return "";
    std::string path;
    for (const SpriteState* p = s; p && p->owner; p = p->parent)
        path = "/" + p->owner->name + path;
    (void)vm;
    return path.empty() ? "/" : path;
}

Object* ClipParent(Vm& vm, Object* clip) {
    SpriteState* s = Sprite(clip);
    if (!s || !s->parent)
        return nullptr;
    return ScriptHost::Of(vm).ObjectOf(const_cast<SpriteState&>(*s->parent));
}

Object* ResolveClipPath(Vm& vm, Object* from, const std::string& path) {
    Object* at = from;
    size_t pos = 0;
    if (!path.empty() && path[0] == '/') {
        at = vm.rootClip;
        pos = 1;
    }
    while (pos <= path.size() && at) {
        size_t end = path.find_first_of("/.", pos);
        // ".." is one step, not two separators.
        if (end == pos && path.compare(pos, 2, "..") == 0) {
            at = ClipParent(vm, at);
            pos += 2;
            if (pos < path.size() && path[pos] == '/')
                ++pos;
            continue;
        }
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(pos, end - pos);
        if (!part.empty())
            at = Step(vm, at, part);
        if (end >= path.size())
            break;
        pos = end + 1;
    }
    return at;
}

Value ClipGetByIndex(Vm& vm, Object* clip, int index) {
    if (index < 0 || index >= kPropertyCount)
        return Value::Undefined();
    return Get(vm, clip, index);
}

void ClipSetByIndex(Vm& vm, Object* clip, int index, const Value& v) {
    if (index >= 0 && index < kPropertyCount)
        Set(vm, clip, index, v);
}

void ClipGotoFrame(Vm& vm, Object* clip, uint32_t frame0, bool play) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return;
    s->playing = play;
    // A frame past the end is no frame: Flash stays where it is.
    if (frame0 >= s->timeline->frames.size())
        return;
    ScriptHost::Of(vm).Goto(*s, frame0);
}

bool ClipFrameOfLabel(Vm& vm, Object* clip, const std::string& label, uint32_t* frame0) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return false;
    for (const auto& entry : s->timeline->labels) {
        if (vm.Key(entry.first) == vm.Key(label) || entry.first == label) {
            *frame0 = entry.second;
            return true;
        }
    }
    return false;
}

bool ClipGotoLabel(Vm& vm, Object* clip, const std::string& label, bool play) {
    uint32_t frame0;
    if (!ClipFrameOfLabel(vm, clip, label, &frame0))
        return false;
    ClipGotoFrame(vm, clip, frame0, play);
    return true;
}

void ClipSetPlaying(Vm&, Object* clip, bool playing) {
    if (SpriteState* s = Sprite(clip))
        s->playing = playing;
}

void ClipStep(Vm& vm, Object* clip, int delta) {
    SpriteState* s = Sprite(clip);
    if (!s)
        return;
    s->playing = false;
    if (delta < 0 && s->frame == 0)
        return;
    if (delta > 0 && s->frame + 1 >= s->timeline->frames.size())
        return;
    ScriptHost::Of(vm).Goto(*s, s->frame + delta);
}

void ClipCallFrame(Vm& vm, Object* clip, uint32_t frame0) {
    if (SpriteState* s = Sprite(clip))
        ScriptHost::Of(vm).CallFrame(*s, frame0);
}

void ClipDuplicate(Vm& vm, Object* clip, const std::string& name, int depth) {
    SpriteState* s = Sprite(clip);
    if (!s || !s->owner || !s->parent || depth < -kScriptDepthBase ||
        depth > 65535 - kScriptDepthBase)
        return;
    const uint16_t characterId = s->owner->characterId;
    const Matrix matrix = s->owner->matrix;
    const ColorTransform color = s->owner->color;
    const auto clipActions = s->clipActions;
    std::unique_ptr<ScriptDrawing> drawn = CopyDrawing(*s);
    SpriteState& parent = const_cast<SpriteState&>(*s->parent);
    SpriteState* copy = ScriptHost::Of(vm).Attach(parent, characterId, name,
                                                  static_cast<uint16_t>(depth + kScriptDepthBase));
    if (copy && copy->owner) {
        copy->owner->matrix = matrix;
        copy->owner->color = color;
        copy->clipActions = clipActions;
        AdoptDrawing(vm, *copy, std::move(drawn));
    }
}

void ClipRemove(Vm& vm, Object* clip) {
    SpriteState* s = Sprite(clip);
    // Only what scripts made can be removed by a script.
    if (s && s->owner && s->owner->depth >= kScriptDepthBase)
        ScriptHost::Of(vm).Remove(*s);
}

Object* Vm::MakeClipObject(SpriteState* clip) {
    Object* o = MakeObject(clipProto);
    o->kind = ObjectKind::Clip;
    o->clip = clip;
    return o;
}

namespace {

Object* ClipOf(const Value& self) {
    return self.type == Type::Object && self.o->kind == ObjectKind::Clip && self.o->clip ? self.o
                                                                                         : nullptr;
}

Value Play(Vm& vm, Value self, const Args&) {
    if (Object* c = ClipOf(self))
        ClipSetPlaying(vm, c, true);
    return Value::Undefined();
}

Value Stop(Vm& vm, Value self, const Args&) {
    if (Object* c = ClipOf(self))
        ClipSetPlaying(vm, c, false);
    return Value::Undefined();
}

Value NextFrame(Vm& vm, Value self, const Args&) {
    if (Object* c = ClipOf(self))
        ClipStep(vm, c, 1);
    return Value::Undefined();
}

Value PrevFrame(Vm& vm, Value self, const Args&) {
    if (Object* c = ClipOf(self))
        ClipStep(vm, c, -1);
    return Value::Undefined();
}

Value GotoMethod(Vm& vm, const Value& self, const Args& args, bool play) {
    Object* c = ClipOf(self);
    if (!c || args.size() == 0)
        return Value::Undefined();
    if (args[0].type == Type::String) {
        std::string frame = args[0].s;
        // "path:frame" goes to a frame of the clip the path names.
        const size_t colon = frame.rfind(':');
        if (colon != std::string::npos) {
            c = ResolveClipPath(vm, c, frame.substr(0, colon));
            if (!c || !c->clip)
                return Value::Undefined();
            frame = frame.substr(colon + 1);
        }
        const double n = StringToNumber(frame);
        if (std::isnan(n)) {
            ClipGotoLabel(vm, c, frame, play);
            return Value::Undefined();
        }
        if (n >= 1 && !c->clip->timeline->frames.empty())
            ClipGotoFrame(vm, c,
                          static_cast<uint32_t>(std::min(
                              n - 1, static_cast<double>(c->clip->timeline->frames.size() - 1))),
                          play);
        return Value::Undefined();
    }
    // Frame numbers wrap as 32-bit integers; one that lands below frame 1 is
    // ignored, one past the end goes to the last frame.
    const int64_t frame0 =
        static_cast<int32_t>(static_cast<uint32_t>(ToInt32(vm.ToNumber(args[0]))) - 1u);
    SpriteState* s = c->clip;
    if (frame0 < 0 || s->timeline->frames.empty()) {
        s->playing = play;
        return Value::Undefined();
    }
    const size_t last = s->timeline->frames.size() - 1;
    ClipGotoFrame(
        vm, c, static_cast<uint32_t>(std::min<int64_t>(frame0, static_cast<int64_t>(last))), play);
    return Value::Undefined();
}

Value GotoAndPlay(Vm& vm, Value self, const Args& args) {
    return GotoMethod(vm, self, args, true);
}

Value GotoAndStop(Vm& vm, Value self, const Args& args) {
    return GotoMethod(vm, self, args, false);
}

Value GetDepth(Vm&, Value self, const Args&) {
    Object* c = ClipOf(self);
    if (!c)
        return Value::Undefined();
    // A level sits at depth 0 of its own.
    const int depth = c->clip->owner ? c->clip->owner->depth : 0;
    return Value::Num(depth - kScriptDepthBase);
}

Value GetNextHighestDepth(Vm&, Value self, const Args&) {
    Object* c = ClipOf(self);
    if (!c)
        return Value::Undefined();
    int next = 0;
    for (const auto& entry : c->clip->objects)
        next = std::max(next, static_cast<int>(entry.first) - kScriptDepthBase + 1);
    return Value::Num(next);
}

bool ScriptDepth(Vm& vm, const Value& v, uint16_t* depth) {
    double d = vm.ToNumber(v);
    if (!std::isfinite(d))
        return false;
    d = ToInt32(d); // a depth wraps at 32 bits, as Flash takes it
    if (d < -kScriptDepthBase || d > 65535 - kScriptDepthBase)
        return false;
    *depth = static_cast<uint16_t>(static_cast<int>(d) + kScriptDepthBase);
    return true;
}

void InitFrom(Vm& vm, Object* clip, const Value& init) {
    if (init.type != Type::Object)
        return;
    for (const std::string& name : vm.EnumerableNames(init.o))
        vm.Set(clip, name, vm.Get(init, name));
}

Value AttachMovie(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    uint16_t depth;
    if (!c || !ScriptDepth(vm, args[2], &depth))
        return Value::Undefined();
    ScriptHost& host = ScriptHost::Of(vm);
    const auto it = host.movie().exports.find(vm.ToString(args[0]));
    if (it == host.movie().exports.end())
        return Value::Undefined();
    SpriteState* s = host.Attach(*c->clip, it->second, vm.ToString(args[1]), depth);
    if (!s)
        return Value::Undefined();
    Object* o = host.ObjectOf(*s);
    InitFrom(vm, o, args[3]);
    return Value::Obj(o);
}

Value CreateEmptyMovieClip(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    uint16_t depth;
    if (!c || !ScriptDepth(vm, args[1], &depth))
        return Value::Undefined();
    ScriptHost& host = ScriptHost::Of(vm);
    SpriteState* s = host.Attach(*c->clip, 0, vm.ToString(args[0]), depth);
    return s ? Value::Obj(host.ObjectOf(*s)) : Value::Undefined();
}

Value DuplicateMovieClip(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    if (!c || !c->clip->parent)
        return Value::Undefined();
    const std::string name = vm.ToString(args[0]);
    const double depth = vm.ToNumber(args[1]);
    if (!std::isfinite(depth))
        return Value::Undefined();
    ClipDuplicate(vm, c, name, ToInt32Held(depth));
    Object* parent = ClipParent(vm, c);
    Value copy;
    if (parent && ClipChild(vm, parent, name, &copy)) {
        InitFrom(vm, copy.o, args[2]);
        return copy;
    }
    return Value::Undefined();
}

Value RemoveMovieClip(Vm& vm, Value self, const Args&) {
    if (Object* c = ClipOf(self))
        ClipRemove(vm, c);
    return Value::Undefined();
}

Value SwapDepths(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    if (!c)
        return Value::Undefined();
    uint16_t depth;
    if (Object* other = ClipOf(args[0])) {
        if (!other->clip->owner || other->clip->parent != c->clip->parent)
            return Value::Undefined();
        depth = other->clip->owner->depth;
    } else if (!ScriptDepth(vm, args[0], &depth)) {
        return Value::Undefined();
    }
    ScriptHost::Of(vm).SwapDepth(*c->clip, depth);
    return Value::Undefined();
}

Value GetBounds(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    if (!c)
        return Value::Undefined();
    Rect r{};
    Object* result = vm.MakeObject(vm.objectProto);
    if (!SpriteBounds(ScriptHost::Of(vm).movie(), *c->clip, &r)) {
        for (const char* n : {"xMin", "xMax", "yMin", "yMax"})
            vm.Set(result, n, Value::Num(6710886.35));
        return Value::Obj(result);
    }
    Matrix m = ToStage(*c->clip);
    if (Object* space = ClipOf(args[0])) {
        Matrix inverse;
        if (Invert(ToStage(*space->clip), &inverse))
            m = Multiply(inverse, m);
    } else if (args.size() == 0) {
        m = Matrix();
    }
    bool any = false;
    Rect t{};
    Extend(&t, &any, r, m);
    vm.Set(result, "xMin", Value::Num(t.xmin / 20.0));
    vm.Set(result, "xMax", Value::Num(t.xmax / 20.0));
    vm.Set(result, "yMin", Value::Num(t.ymin / 20.0));
    vm.Set(result, "yMax", Value::Num(t.ymax / 20.0));
    return Value::Obj(result);
}

Value ConvertPoint(Vm& vm, const Value& self, const Args& args, bool toGlobal) {
    Object* c = ClipOf(self);
    if (!c || args[0].type != Type::Object)
        return Value::Undefined();
    Matrix m = ToStage(*c->clip);
    if (!toGlobal && !Invert(ToStage(*c->clip), &m))
        return Value::Undefined();
    Object* p = args[0].o;
    const double x = vm.ToNumber(vm.GetOf(p, "x")) * 20, y = vm.ToNumber(vm.GetOf(p, "y")) * 20;
    vm.Set(p, "x", Value::Num((m.a * x + m.c * y + m.tx) / 20));
    vm.Set(p, "y", Value::Num((m.b * x + m.d * y + m.ty) / 20));
    return Value::Undefined();
}

Value LocalToGlobal(Vm& vm, Value self, const Args& args) {
    return ConvertPoint(vm, self, args, true);
}

Value GlobalToLocal(Vm& vm, Value self, const Args& args) {
    return ConvertPoint(vm, self, args, false);
}

Value HitTest(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    if (!c)
        return Value::Bool(false);
    if (args.size() >= 3 && vm.ToBoolean(args[2]))
        return Value::Bool(HitTestShape(vm, c, vm.ToNumber(args[0]), vm.ToNumber(args[1])));
    const Movie& movie = ScriptHost::Of(vm).movie();
    Rect r{};
    if (!SpriteBounds(movie, *c->clip, &r))
        return Value::Bool(false);
    bool any = false;
    Rect a{};
    Extend(&a, &any, r, ToStage(*c->clip));
    if (Object* other = ClipOf(args[0])) {
        Rect r2{};
        if (!SpriteBounds(movie, *other->clip, &r2))
            return Value::Bool(false);
        any = false;
        Rect b{};
        Extend(&b, &any, r2, ToStage(*other->clip));
        return Value::Bool(a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax &&
                           b.ymin <= a.ymax);
    }
    const double x = vm.ToNumber(args[0]) * 20, y = vm.ToNumber(args[1]) * 20;
    return Value::Bool(x >= a.xmin && x <= a.xmax && y >= a.ymin && y <= a.ymax);
}

Value GetInstanceAtDepth(Vm& vm, Value self, const Args& args) {
    Object* c = ClipOf(self);
    uint16_t depth;
    if (!c || !ScriptDepth(vm, args[0], &depth))
        return Value::Undefined();
    auto it = c->clip->objects.find(depth);
    if (it == c->clip->objects.end())
        return Value::Undefined();
    // A shape or static text answers with its clip; a field or button with
    // its own object.
    if (IsPlainShape(it->second) || it->second.ref.kind == CharacterKind::Text)
        return Value::Obj(c);
    if (!it->second.sprite) {
        Object* script = InstanceObject(vm, *c->clip, it->second);
        return script ? Value::Obj(script) : Value::Undefined();
    }
    return Value::Obj(ScriptHost::Of(vm).ObjectOf(*it->second.sprite));
}

Value GetBytes(Vm& vm, Value, const Args&) {
    return Value::Num(static_cast<double>(ScriptHost::Of(vm).movie().fileLength));
}

Value Nothing(Vm&, Value, const Args&) {
    return Value::Undefined();
}

Value Refused(Vm& vm, Value, const Args&) {
    vm.Warn("network and file requests are refused (getURL, loadMovie, loadVariables)");
    return Value::Undefined();
}

Value False(Vm&, Value, const Args&) {
    return Value::Bool(false);
}

Value Zero(Vm&, Value, const Args&) {
    return Value::Num(0);
}

Value MovieClipCtor(Vm&, Value, const Args&) {
    return Value::Undefined();
}

// Color -----------------------------------------------------------------------

Value ColorConstruct(Vm& vm, Value self, const Args& args) {
    self.o->kind = ObjectKind::Color;
    Value target = args[0];
    if (target.type != Type::Object && !target.IsUndefined())
        target = Value::Obj(ResolveClipPath(vm, vm.rootClip, vm.ToString(target)));
    self.o->target = ClipOf(target);
    return self;
}

DisplayObject* ColorTarget(const Value& self) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Color || !self.o->target)
        return nullptr;
    SpriteState* s = self.o->target->clip;
    return s ? s->owner : nullptr;
}

Value SetRgb(Vm& vm, Value self, const Args& args) {
    DisplayObject* o = ColorTarget(self);
    if (!o)
        return Value::Undefined();
    const uint32_t rgb = ToUint32(vm.ToNumber(args[0]));
    o->color.mult[0] = o->color.mult[1] = o->color.mult[2] = 0;
    o->color.add[0] = static_cast<float>((rgb >> 16) & 0xFF);
    o->color.add[1] = static_cast<float>((rgb >> 8) & 0xFF);
    o->color.add[2] = static_cast<float>(rgb & 0xFF);
    return Value::Undefined();
}

Value GetRgb(Vm&, Value self, const Args&) {
    DisplayObject* o = ColorTarget(self);
    if (!o)
        return Value::Undefined();
    const int r = static_cast<int>(o->color.add[0]), g = static_cast<int>(o->color.add[1]),
              b = static_cast<int>(o->color.add[2]);
    return Value::Num((r << 16) | (g << 8) | b);
}

Value SetTransform(Vm& vm, Value self, const Args& args) {
    DisplayObject* o = ColorTarget(self);
    if (!o || args[0].type != Type::Object)
        return Value::Undefined();
    const char* mults[4] = {"ra", "ga", "ba", "aa"};
    const char* adds[4] = {"rb", "gb", "bb", "ab"};
    for (int k = 0; k < 4; ++k) {
        Value m = vm.GetOf(args[0].o, mults[k]), a = vm.GetOf(args[0].o, adds[k]);
        if (!m.IsUndefined())
            o->color.mult[k] = static_cast<float>(vm.ToNumber(m) / 100);
        if (!a.IsUndefined())
            o->color.add[k] = static_cast<float>(vm.ToNumber(a));
    }
    return Value::Undefined();
}

Value GetTransform(Vm& vm, Value self, const Args&) {
    DisplayObject* o = ColorTarget(self);
    if (!o)
        return Value::Undefined();
    Object* t = vm.MakeObject(vm.objectProto);
    const char* mults[4] = {"ra", "ga", "ba", "aa"};
    const char* adds[4] = {"rb", "gb", "bb", "ab"};
    for (int k = 0; k < 4; ++k) {
        vm.Set(t, mults[k], Value::Num(o->color.mult[k] * 100.0));
        vm.Set(t, adds[k], Value::Num(o->color.add[k]));
    }
    return Value::Obj(t);
}

// Stage --------------------------------------------------------------------------

Value StageWidth(Vm& vm, Value, const Args&) {
    double w = 0, h = 0;
    ScriptHost::Of(vm).player().StageSize(&w, &h);
    return Value::Num(w);
}

Value StageHeight(Vm& vm, Value, const Args&) {
    double w = 0, h = 0;
    ScriptHost::Of(vm).player().StageSize(&w, &h);
    return Value::Num(h);
}

Value GetScaleMode(Vm& vm, Value, const Args&) {
    return Value::Str(ScaleModeName(ScriptHost::Of(vm).player().stageScale()));
}

// A name Flash does not know, in any case, shows the whole stage.
Value SetScaleMode(Vm& vm, Value, const Args& args) {
    std::string text = args.size() ? vm.ToString(args[0]) : "";
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    ScaleMode mode = ScaleMode::ShowAll;
    ParseScaleMode(text, &mode);
    ScriptHost::Of(vm).player().SetStageScale(mode);
    return Value::Undefined();
}

Value GetAlign(Vm& vm, Value, const Args&) {
    return Value::Str(StageAlignText(ScriptHost::Of(vm).player().stageAlign()));
}

Value SetAlign(Vm& vm, Value, const Args& args) {
    ScriptHost::Of(vm).player().SetStageAlign(
        ParseStageAlign(args.size() ? vm.ToString(args[0]) : ""));
    return Value::Undefined();
}

Object* Broadcaster(Vm& vm, const char* name) {
    Object* o = vm.MakeObject(vm.objectProto);
    vm.Define(vm.global, name, Value::Obj(o), kDontEnum);
    Value init = vm.GetOf(vm.GetOf(vm.global, "AsBroadcaster").o, "initialize");
    Value arg = Value::Obj(o);
    vm.Call(init, Value::Undefined(), Args{&arg, 1});
    return o;
}

void Getter(Vm& vm, Object* on, const char* name, NativeFn fn, NativeFn set = nullptr) {
    vm.Define(on, name, Value::Undefined(), kDontEnum);
    Property* p = on->FindOwn(vm.Key(name));
    if (p) {
        p->getter = vm.MakeFunction(fn);
        if (set)
            p->setter = vm.MakeFunction(set);
    }
}

} // namespace

void InstallClipBuiltins(Vm& vm) {
    vm.clipProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "MovieClip", MovieClipCtor, nullptr, vm.clipProto);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"play", Play},
                    {"stop", Stop},
                    {"nextFrame", NextFrame},
                    {"prevFrame", PrevFrame},
                    {"gotoAndPlay", GotoAndPlay},
                    {"gotoAndStop", GotoAndStop},
                    {"getDepth", GetDepth},
                    {"getNextHighestDepth", GetNextHighestDepth},
                    {"attachMovie", AttachMovie},
                    {"createEmptyMovieClip", CreateEmptyMovieClip},
                    {"duplicateMovieClip", DuplicateMovieClip},
                    {"removeMovieClip", RemoveMovieClip},
                    {"swapDepths", SwapDepths},
                    {"getBounds", GetBounds},
                    {"getRect", GetBounds},
                    {"localToGlobal", LocalToGlobal},
                    {"globalToLocal", GlobalToLocal},
                    {"hitTest", HitTest},
                    {"getInstanceAtDepth", GetInstanceAtDepth},
                    {"getBytesLoaded", GetBytes},
                    {"getBytesTotal", GetBytes},
                    {"startDrag", Nothing},
                    {"stopDrag", Nothing},
                    {"loadMovie", Refused},
                    {"loadVariables", Refused},
                    {"unloadMovie", Nothing},
                    {"getURL", Refused}};
    for (const auto& m : kMethods)
        Method(vm, vm.clipProto, m.name, m.fn);
    InstallDrawing(vm, vm.clipProto);

    vm.colorProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "Color", nullptr, ColorConstruct, vm.colorProto);
    Method(vm, vm.colorProto, "setRGB", SetRgb);
    Method(vm, vm.colorProto, "getRGB", GetRgb);
    Method(vm, vm.colorProto, "setTransform", SetTransform);
    Method(vm, vm.colorProto, "getTransform", GetTransform);

    Object* key = Broadcaster(vm, "Key");
    Method(vm, key, "isDown", False);
    Method(vm, key, "isToggled", False);
    Method(vm, key, "getCode", Zero);
    Method(vm, key, "getAscii", Zero);
    const struct {
        const char* name;
        int code;
    } kKeys[] = {{"BACKSPACE", 8}, {"TAB", 9},     {"ENTER", 13},    {"SHIFT", 16}, {"CONTROL", 17},
                 {"CAPSLOCK", 20}, {"ESCAPE", 27}, {"SPACE", 32},    {"PGUP", 33},  {"PGDN", 34},
                 {"END", 35},      {"HOME", 36},   {"LEFT", 37},     {"UP", 38},    {"RIGHT", 39},
                 {"DOWN", 40},     {"INSERT", 45}, {"DELETEKEY", 46}};
    for (const auto& k : kKeys)
        vm.Define(key, k.name, Value::Num(k.code), kDontEnum | kDontDelete | kReadOnly);

    Object* mouse = Broadcaster(vm, "Mouse");
    Method(vm, mouse, "show", Zero);
    Method(vm, mouse, "hide", Zero);

    Object* stage = Broadcaster(vm, "Stage");
    Getter(vm, stage, "width", StageWidth);
    Getter(vm, stage, "height", StageHeight);
    Getter(vm, stage, "scaleMode", GetScaleMode, SetScaleMode);
    Getter(vm, stage, "align", GetAlign, SetAlign);
    vm.Define(stage, "showMenu", Value::Bool(true), kDontEnum);

    Object* system = vm.MakeObject(vm.objectProto);
    vm.Define(vm.global, "System", Value::Obj(system), kDontEnum);
    Object* capabilities = vm.MakeObject(vm.objectProto);
    vm.Define(system, "capabilities", Value::Obj(capabilities), kDontEnum);
    vm.Define(capabilities, "os", Value::Str("Windows XP"));
    vm.Define(capabilities, "version", Value::Str("WIN 8,0,0,0"));
    vm.Define(capabilities, "playerType", Value::Str("StandAlone"));
    vm.Define(capabilities, "language", Value::Str("en"));
    vm.Define(capabilities, "screenResolutionX", Value::Num(1920));
    vm.Define(capabilities, "screenResolutionY", Value::Num(1080));
    Method(vm, system, "setClipboard", Nothing);
    Method(vm, system, "showSettings", Nothing);

    // Requests that would reach the network or the disk are refused.
    for (const char* name : {"LoadVars", "XML", "XMLSocket", "SharedObject", "NetConnection",
                             "NetStream", "MovieClipLoader"}) {
        Object* proto = vm.MakeObject(vm.objectProto);
        MakeClass(vm, name, Nothing, nullptr, proto);
        for (const char* method : {"load", "send", "sendAndLoad", "connect", "loadClip"})
            Method(vm, proto, method, Refused);
    }
    Method(vm, vm.global, "loadMovie", Refused);
    Method(vm, vm.global, "loadMovieNum", Refused);
    Method(vm, vm.global, "loadVariables", Refused);
    Method(vm, vm.global, "loadVariablesNum", Refused);
    Method(vm, vm.global, "getURL", Refused);
    Method(vm, vm.global, "fscommand", Nothing);
    Method(vm, vm.global, "updateAfterEvent", Nothing);
    InstallTextBuiltins(vm);
    InstallPointerBuiltins(vm);
    InstallSound(vm);
    InstallServices(vm);
    InstallLoadBuiltins(vm);
    InstallFocusBuiltins(vm);
}

} // namespace ww::movie::avm1
