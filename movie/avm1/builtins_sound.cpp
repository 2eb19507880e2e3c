// Sound: a wallpaper plays no audio, but scripts read back what they set.
// A Sound controls the sounds of one clip, named by path and found again at
// each call (a clip renamed or removed answers undefined), or, made with no
// clip, every sound of the movie. Volumes are whole percentages as Flash
// keeps them; the length of an attached sound comes from its DefineSound.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"

#include <cmath>
#include <cstdlib>

namespace ww::movie::avm1 {

namespace {

Object* SoundOf(const Value& self) {
    return self.type == Type::Object && self.o->kind == ObjectKind::Sound ? self.o : nullptr;
}

// The mix a Sound controls; null when its clip is not there now.
SoundMix* MixOf(Vm& vm, const Value& self) {
    Object* sound = SoundOf(self);
    if (!sound)
        return nullptr;
    if (sound->primitive.type != Type::String)
        return &ScriptHost::Of(vm).player().globalSound();
    Object* clip = ResolveClipPath(vm, vm.CurrentTarget(), sound->primitive.s);
    return clip && clip->kind == ObjectKind::Clip && clip->clip ? &clip->clip->sound : nullptr;
}

// Flash converts volumes as the processor truncates: NaN and numbers out of
// range become the lowest integer.
int32_t TruncateOrLowest(double n) {
    if (!(n >= -2147483648.0 && n < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(n);
}

int32_t Wrap(int64_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

Value SoundConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = self.o;
    o->kind = ObjectKind::Sound;
    const Value& target = args[0];
    if (target.type == Type::Object && target.o->kind == ObjectKind::Clip) {
        o->primitive = Value::Str(ClipPath(vm, target.o));
    } else if (!target.IsNullish()) {
        // Any other object names its clip by its text, as a path.
        o->primitive = Value::Str(vm.ToString(target));
    }
    return self;
}

Value GetVolume(Vm& vm, Value self, const Args&) {
    SoundMix* mix = MixOf(vm, self);
    return mix ? Value::Num(mix->volume) : Value::Undefined();
}

Value SetVolume(Vm& vm, Value self, const Args& args) {
    SoundMix* mix = MixOf(vm, self);
    if (mix)
        mix->volume = args.size() ? TruncateOrLowest(vm.ToNumber(args[0])) : 0;
    return Value::Undefined();
}

// The pan is not kept: it is read back from the left and right levels.
Value GetPan(Vm& vm, Value self, const Args&) {
    SoundMix* mix = MixOf(vm, self);
    if (!mix)
        return Value::Undefined();
    if (mix->ll != 100)
        return Value::Num(Wrap(100 - std::llabs(static_cast<int64_t>(mix->ll))));
    return Value::Num(Wrap(std::llabs(static_cast<int64_t>(mix->rr)) - 100));
}

Value SetPan(Vm& vm, Value self, const Args& args) {
    SoundMix* mix = MixOf(vm, self);
    if (!mix)
        return Value::Undefined();
    const int32_t pan = args.size() ? TruncateOrLowest(vm.ToNumber(args[0])) : 0;
    mix->lr = mix->rl = 0;
    mix->ll = pan >= 0 ? Wrap(100 - static_cast<int64_t>(pan)) : 100;
    mix->rr = pan >= 0 ? 100 : Wrap(100 + static_cast<int64_t>(pan));
    return Value::Undefined();
}

Value GetSoundTransform(Vm& vm, Value self, const Args&) {
    SoundMix* mix = MixOf(vm, self);
    if (!mix)
        return Value::Undefined();
    Object* t = vm.MakeObject(vm.objectProto);
    // Made in this order, for..in lists them as Flash does: rl, rr, lr, ll.
    vm.Set(t, "ll", Value::Num(mix->ll));
    vm.Set(t, "lr", Value::Num(mix->lr));
    vm.Set(t, "rr", Value::Num(mix->rr));
    vm.Set(t, "rl", Value::Num(mix->rl));
    return Value::Obj(t);
}

// Only the object's own levels count; missing ones stay as they were.
Value SetSoundTransform(Vm& vm, Value self, const Args& args) {
    SoundMix* mix = MixOf(vm, self);
    if (!mix || args[0].type != Type::Object)
        return Value::Undefined();
    Object* t = args[0].o;
    const struct {
        const char* name;
        int32_t* level;
    } kLevels[] = {{"ll", &mix->ll}, {"lr", &mix->lr}, {"rl", &mix->rl}, {"rr", &mix->rr}};
    for (const auto& k : kLevels) {
        if (vm.Has(t, k.name))
            *k.level = ToInt32(vm.ToNumber(vm.GetOf(t, k.name)));
        if (vm.throwing())
            break;
    }
    return Value::Undefined();
}

Value AttachSound(Vm& vm, Value self, const Args& args) {
    Object* sound = SoundOf(self);
    if (!sound)
        return Value::Undefined();
    const Movie& movie = ScriptHost::Of(vm).movie();
    const auto exported = movie.exports.find(vm.ToString(args[0]));
    sound->soundId = -1;
    if (exported != movie.exports.end() && movie.sounds.count(exported->second))
        sound->soundId = exported->second;
    return Value::Undefined();
}

const SoundInfo* AttachedSound(Vm& vm, const Value& self) {
    Object* sound = SoundOf(self);
    if (!sound || sound->soundId < 0)
        return nullptr;
    const auto& sounds = ScriptHost::Of(vm).movie().sounds;
    const auto found = sounds.find(static_cast<uint16_t>(sound->soundId));
    return found == sounds.end() ? nullptr : &found->second;
}

Value GetDuration(Vm& vm, Value self, const Args&) {
    const SoundInfo* info = AttachedSound(vm, self);
    if (!info || info->rate <= 0)
        return Value::Undefined();
    return Value::Num(std::round(info->sampleCount * 1000.0 / info->rate));
}

// Nothing plays, so an attached sound never leaves its start.
Value GetPosition(Vm& vm, Value self, const Args&) {
    return AttachedSound(vm, self) ? Value::Num(0) : Value::Undefined();
}

Value Nothing(Vm&, Value, const Args&) {
    return Value::Undefined();
}

// Assigning duration or position keeps the value on the object itself, in
// front of the prototype's getter.
template <const char* Name> Value Shadow(Vm& vm, Value self, const Args& args) {
    if (Object* o = SelfObject(self))
        vm.Define(o, Name, args[0]);
    return Value::Undefined();
}
constexpr char kDuration[] = "duration";
constexpr char kPosition[] = "position";

// Hidden from SWF 5, as ASSetPropFlags' bit 7 hides.
constexpr uint16_t kFromSwf6 = 0x80;

void HideBefore6(Vm& vm, Object* proto, const char* name) {
    if (Property* p = proto->FindOwn(vm.Key(name)))
        p->versionMask = kFromSwf6;
}

void Accessor(Vm& vm, Object* proto, const char* name, NativeFn get, NativeFn set) {
    vm.Define(proto, name, Value::Undefined(), kDontEnum);
    if (Property* p = proto->FindOwn(vm.Key(name))) {
        p->getter = vm.MakeFunction(get);
        p->setter = vm.MakeFunction(set);
    }
    HideBefore6(vm, proto, name);
}

} // namespace

void InstallSound(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "Sound", nullptr, SoundConstruct, proto);
    const struct {
        const char* name;
        NativeFn fn;
        bool from6;
    } kMethods[] = {{"getPan", GetPan, false},
                    {"getTransform", GetSoundTransform, false},
                    {"getVolume", GetVolume, false},
                    {"setPan", SetPan, false},
                    {"setTransform", SetSoundTransform, false},
                    {"setVolume", SetVolume, false},
                    {"stop", Nothing, false},
                    {"attachSound", AttachSound, false},
                    {"start", Nothing, false},
                    {"getDuration", GetDuration, true},
                    {"setDuration", Nothing, true},
                    {"getPosition", GetPosition, true},
                    {"setPosition", Nothing, true},
                    {"loadSound", Nothing, true},
                    {"getBytesLoaded", Nothing, true},
                    {"getBytesTotal", Nothing, true}};
    for (const auto& m : kMethods) {
        Method(vm, proto, m.name, m.fn);
        if (m.from6)
            HideBefore6(vm, proto, m.name);
    }
    Accessor(vm, proto, kDuration, GetDuration, Shadow<kDuration>);
    Accessor(vm, proto, kPosition, GetPosition, Shadow<kPosition>);
    vm.Define(proto, "id3", Value::Undefined(), kDontEnum);
    HideBefore6(vm, proto, "id3");
}

} // namespace ww::movie::avm1
