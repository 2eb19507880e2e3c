// What scripts see of the pointer: _xmouse and _ymouse, startDrag and
// stopDrag, hitTest's exact shape test, Button objects, and getURL, which
// opens a page only in answer to a click.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/hit_test.h"
#include "movie/pointer.h"

#include <cmath>

namespace ww::movie::avm1 {

namespace {

Matrix ToStage(const SpriteState& s) {
    Matrix m;
    for (const SpriteState* p = &s; p && p->owner; p = p->parent)
        m = Multiply(p->owner->matrix, m);
    return m;
}

bool StageToLocal(const Matrix& toStage, double x, double y, double* lx, double* ly) {
    Matrix inverse;
    if (!Invert(toStage, &inverse))
        return false;
    *lx = inverse.a * x + inverse.c * y + inverse.tx;
    *ly = inverse.b * x + inverse.d * y + inverse.ty;
    return true;
}

Object* ClipOfValue(const Value& v) {
    return v.type == Type::Object && v.o->kind == ObjectKind::Clip && v.o->clip ? v.o : nullptr;
}

Value StartDragMethod(Vm& vm, Value self, const Args& args) {
    double box[4] = {0, 0, 0, 0};
    const bool bounded = args.size() >= 5;
    for (int i = 0; bounded && i < 4; ++i)
        box[i] = vm.ToNumber(args[1 + i]);
    StartDrag(vm, ClipOfValue(self), vm.ToBoolean(args[0]), bounded, box);
    return Value::Undefined();
}

Value StopDragMethod(Vm& vm, Value, const Args&) {
    StopDrag(vm);
    return Value::Undefined();
}

Value GetUrlMethod(Vm& vm, Value, const Args& args) {
    RequestUrl(vm, vm.ToString(args[0]));
    return Value::Undefined();
}

Value ButtonCtor(Vm&, Value, const Args&) {
    return Value::Undefined();
}

DisplayObject* ButtonObject(const Value& self) {
    InstanceState* s = self.type == Type::Object ? self.o->instance : nullptr;
    return s ? s->Owner() : nullptr;
}

// A button's place and looks, as a clip's: x, y, alpha, visible, name.
enum ButtonField { kButtonX, kButtonY, kButtonAlpha, kButtonVisible, kButtonName };

template <int K> Value ButtonGet(Vm&, Value self, const Args&) {
    DisplayObject* o = ButtonObject(self);
    if (!o)
        return Value::Undefined();
    switch (K) {
    case kButtonX:
        return Value::Num(o->matrix.tx / kTwipsPerPixel);
    case kButtonY:
        return Value::Num(o->matrix.ty / kTwipsPerPixel);
    case kButtonAlpha:
        return Value::Num(o->color.mult[3] * 100.0);
    case kButtonVisible:
        return Value::Bool(o->visible);
    default:
        return Value::Str(o->name);
    }
}

template <int K> Value ButtonSet(Vm& vm, Value self, const Args& args) {
    DisplayObject* o = ButtonObject(self);
    if (!o)
        return Value::Undefined();
    const double n = vm.ToNumber(args[0]);
    switch (K) {
    case kButtonX:
        if (std::isfinite(n))
            o->matrix.tx = std::trunc(n * kTwipsPerPixel);
        break;
    case kButtonY:
        if (std::isfinite(n))
            o->matrix.ty = std::trunc(n * kTwipsPerPixel);
        break;
    case kButtonAlpha:
        if (std::isfinite(n))
            o->color.mult[3] = static_cast<float>(n / 100);
        break;
    case kButtonVisible:
        o->visible = vm.ToBoolean(args[0]);
        break;
    default:
        o->name = vm.ToString(args[0]);
        break;
    }
    return Value::Undefined();
}

void Accessor(Vm& vm, Object* on, const char* name, NativeFn get, NativeFn set) {
    vm.Define(on, name, Value::Undefined(), kDontEnum);
    if (Property* p = on->FindOwn(vm.Key(name))) {
        p->getter = vm.MakeFunction(get);
        p->setter = vm.MakeFunction(set);
    }
}

} // namespace

bool HitTestShape(Vm& vm, Object* clip, double x, double y) {
    if (!clip || clip->kind != ObjectKind::Clip || !clip->clip || !std::isfinite(x) ||
        !std::isfinite(y))
        return false;
    double lx, ly;
    if (!StageToLocal(ToStage(*clip->clip), x * kTwipsPerPixel, y * kTwipsPerPixel, &lx, &ly))
        return false;
    return ListContains(ScriptHost::Of(vm).movie(), *clip->clip, lx, ly);
}

void PointerInClip(Vm& vm, SpriteState& clip, double* x, double* y) {
    *x = *y = 0;
    Player* player = vm.player();
    if (!player)
        return;
    const PointerState& p = player->pointer();
    // Flash maps the pointer through the clip's place snapped to whole
    // window pixels, with the inverse's offset in whole twips, and answers
    // in whole twips.
    Matrix toStage = ToStage(clip);
    const double pixel = p.windowScale > 0 ? kTwipsPerPixel / p.windowScale : kTwipsPerPixel;
    // Halves go to the even pixel.
    toStage.tx = std::nearbyint(toStage.tx / pixel) * pixel;
    toStage.ty = std::nearbyint(toStage.ty / pixel) * pixel;
    Matrix inverse;
    double lx, ly;
    if (Invert(toStage, &inverse)) {
        inverse.tx = std::floor(inverse.tx + 0.5);
        inverse.ty = std::floor(inverse.ty + 0.5);
        lx = inverse.a * p.x + inverse.c * p.y + inverse.tx;
        ly = inverse.b * p.x + inverse.d * p.y + inverse.ty;
    } else {
        // A clip scaled to nothing: Flash gives the position in the window's
        // pixels taken as twips.
        lx = p.x / kTwipsPerPixel * p.windowScale;
        ly = p.y / kTwipsPerPixel * p.windowScale;
    }
    *x = std::floor(lx + 0.5) / kTwipsPerPixel;
    *y = std::floor(ly + 0.5) / kTwipsPerPixel;
}

std::string DropTargetOf(Vm& vm, const SpriteState& clip) {
    Player* player = vm.player();
    if (!player || clip.birth == 0)
        return "";
    const PointerState& p = player->pointer();
    return p.dropBirth == clip.birth ? p.dropTarget : "";
}

void RequestUrl(Vm& vm, const std::string& url, bool page) {
    Player* player = vm.player();
    if (page && player && player->OpenUrl(url))
        return;
    vm.Warn("network and file requests are refused (getURL, loadMovie, loadVariables)");
}

void StartDrag(Vm& vm, Object* clip, bool lockCenter, bool bounded, const double box[4]) {
    Player* player = vm.player();
    if (!player || !clip || clip->kind != ObjectKind::Clip || !clip->clip || !clip->clip->owner)
        return;
    PointerState& p = player->pointer();
    p.dragged = clip;
    p.dragDx = p.dragDy = 0;
    const Matrix& m = clip->clip->owner->matrix;
    if (!lockCenter && clip->clip->parent) {
        // The clip keeps its offset from the pointer, in the parent's pixels.
        double lx, ly;
        if (StageToLocal(ToStage(*clip->clip->parent), p.x, p.y, &lx, &ly)) {
            p.dragDx = (m.tx - lx) / kTwipsPerPixel;
            p.dragDy = (m.ty - ly) / kTwipsPerPixel;
        }
    }
    p.dragBounded = bounded;
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(box[i]))
            p.dragBounded = false;
    }
    p.dragLeft = box[0];
    p.dragTop = box[1];
    p.dragRight = box[2];
    p.dragBottom = box[3];
}

void StopDrag(Vm& vm) {
    if (Player* player = vm.player())
        player->pointer().dragged = nullptr;
}

void InstallPointerBuiltins(Vm& vm) {
    Method(vm, vm.clipProto, "startDrag", StartDragMethod);
    Method(vm, vm.clipProto, "stopDrag", StopDragMethod);
    Method(vm, vm.clipProto, "getURL", GetUrlMethod);
    Method(vm, vm.global, "getURL", GetUrlMethod);
    // Clips answer the pointer unless a script says otherwise.
    vm.Define(vm.clipProto, "enabled", Value::Bool(true), kDontEnum);

    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "Button", ButtonCtor, nullptr, proto);
    vm.Define(proto, "useHandCursor", Value::Bool(true), kDontEnum);
    // A button's for..in finds enabled; a clip's does not.
    vm.Define(proto, "enabled", Value::Bool(true));
    Accessor(vm, proto, "_x", ButtonGet<kButtonX>, ButtonSet<kButtonX>);
    Accessor(vm, proto, "_y", ButtonGet<kButtonY>, ButtonSet<kButtonY>);
    Accessor(vm, proto, "_alpha", ButtonGet<kButtonAlpha>, ButtonSet<kButtonAlpha>);
    Accessor(vm, proto, "_visible", ButtonGet<kButtonVisible>, ButtonSet<kButtonVisible>);
    Accessor(vm, proto, "_name", ButtonGet<kButtonName>, ButtonSet<kButtonName>);
}

} // namespace ww::movie::avm1
