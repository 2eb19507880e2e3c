#include "samples/clock_movie.h"

#include <cmath>
#include <string>
#include <vector>

namespace ww::samples {

namespace {

using namespace ww::test;

constexpr int32_t kPx = 20; // twips per pixel
constexpr double kPi = 3.14159265358979323846;
constexpr double kFaceRadius = 150;

enum Ids : uint16_t {
    kHourShape = 1,
    kMinuteShape,
    kSecondShape,
    kCapShape,
    kHourSprite,
    kMinuteSprite,
    kSecondSprite,
    kColonShape,
    kDigitSprite,
    kFirstDigitShape // ten of them, 0 to 9
};

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A hand pointing up from the pivot (its sprite's origin), with a short tail.
Bytes HandShape(uint16_t id, int width, int length, Rgba8 color) {
    return RectangleShapeTag(3, id, -width * kPx / 2, -length * kPx, width * kPx / 2, 12 * kPx,
                             Solid(color.r, color.g, color.b, color.a));
}

Bytes SpriteOf(uint16_t id, uint16_t shape) {
    PlaceRecipe p;
    p.depth = 1;
    p.characterId = shape;
    Bytes tags = PlaceObject2Tag(p);
    Append(tags, ShowFrameTag());
    return DefineSpriteTag(id, 1, tags);
}

// Segments a to g of a seven-segment digit, as bits 0-6.
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// A digit 24 x 44 px with its top left at the origin.
Bytes DigitShape(uint16_t id, int digit) {
    const int32_t w = 24 * kPx, h = 22 * kPx, t = 4 * kPx;
    // a top, b top right, c bottom right, d bottom, e bottom left, f top left, g middle
    const int32_t boxes[7][4] = {
        {0, 0, w, t},     {w - t, 0, w, h}, {w - t, h, w, 2 * h},        {0, 2 * h - t, w, 2 * h},
        {0, h, t, 2 * h}, {0, 0, t, h},     {0, h - t / 2, w, h + t / 2}};
    ShapeWriter s({Solid(120, 230, 255, 255)});
    for (int k = 0; k < 7; ++k) {
        if (kSegments[digit] & (1 << k))
            s.Select(-1, 1, -1).Rectangle(boxes[k][0], boxes[k][1], boxes[k][2], boxes[k][3]);
    }
    return DefineShapeTag(3, id, s);
}

// Ten frames, frame n + 1 showing n.
Bytes DigitSprite() {
    Bytes tags;
    for (int n = 0; n < 10; ++n) {
        PlaceRecipe p;
        p.depth = 1;
        p.characterId = kFirstDigitShape + n;
        p.move = n > 0;
        Append(tags, PlaceObject2Tag(p));
        Append(tags, ShowFrameTag());
    }
    return DefineSpriteTag(kDigitSprite, 10, tags);
}

// PlaceObject2 with a character and an instance name; scripts position it.
Bytes PlaceNamed(uint16_t depth, uint16_t id, const std::string& name) {
    Bytes body = {0x22, static_cast<uint8_t>(depth), static_cast<uint8_t>(depth >> 8),
                  static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)};
    // Byte by byte: an insert of the range trips GCC's bounds warning.
    for (const char ch : name)
        body.push_back(static_cast<uint8_t>(ch));
    body.push_back(0);
    return Tag(26, body);
}

// Script pieces -----------------------------------------------------------

// target.method(args...) with its result dropped.
ActionWriter& Call(ActionWriter& w, const std::string& target, const std::string& method,
                   const std::vector<PushValue>& args) {
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    w.Push({PushInt(static_cast<int32_t>(args.size()))}).Get(target);
    return w.Push({PushString(method)}).Op(0x52).Op(0x17);
}

// name = object.method() as a local.
ActionWriter& LocalFromMethod(ActionWriter& w, const std::string& name, const std::string& object,
                              const std::string& method) {
    w.Push({PushString(name), PushInt(0)}).Get(object).Push({PushString(method)}).Op(0x52);
    return w.Op(0x3C);
}

// clip.gotoAndStop(value + 1), value computed by the code given.
ActionWriter& ShowDigit(ActionWriter& w, const std::string& clip, const ActionWriter& value) {
    w.Raw(value.Records()).Push({PushInt(1)}).Op(0x47);
    return w.Push({PushInt(1)}).Get(clip).Push({PushString("gotoAndStop")}).Op(0x52).Op(0x17);
}

// update(): reads the clock and sets the hands and the digits.
ActionWriter UpdateFunction() {
    ActionWriter w;
    w.Push({PushString("d"), PushInt(0), PushString("Date")}).Op(0x40).Op(0x3C);
    LocalFromMethod(w, "h", "d", "getHours");
    LocalFromMethod(w, "m", "d", "getMinutes");
    LocalFromMethod(w, "s", "d", "getSeconds");
    // hour._rotation = h % 12 * 30 + m / 2
    w.Get("hour").Push({PushString("_rotation")});
    w.Get("h").Push({PushInt(12)}).Op(0x3F).Push({PushInt(30)}).Op(0x0C);
    w.Get("m").Push({PushInt(2)}).Op(0x0D).Op(0x47).Op(0x4F);
    // minute._rotation = m * 6 + s / 10
    w.Get("minute").Push({PushString("_rotation")});
    w.Get("m").Push({PushInt(6)}).Op(0x0C).Get("s").Push({PushInt(10)}).Op(0x0D).Op(0x47).Op(0x4F);
    // second._rotation = s * 6
    w.Get("second").Push({PushString("_rotation")}).Get("s").Push({PushInt(6)}).Op(0x0C).Op(0x4F);
    auto tens = [](const char* v) {
        return ActionWriter().Get(v).Push({PushInt(10)}).Op(0x0D).Op(0x18);
    };
    auto units = [](const char* v) { return ActionWriter().Get(v).Push({PushInt(10)}).Op(0x3F); };
    ShowDigit(w, "h1", tens("h"));
    ShowDigit(w, "h2", units("h"));
    ShowDigit(w, "m1", tens("m"));
    ShowDigit(w, "m2", units("m"));
    return w;
}

// The face: a filled disc of eight curves and twelve ticks, drawn on _root.
ActionWriter DrawFace() {
    ActionWriter w;
    const double cx = kClockCentreX, cy = kClockCentreY, r = kFaceRadius;
    Call(w, "_root", "lineStyle", {PushInt(6), PushInt(0x5A7896), PushInt(100)});
    Call(w, "_root", "beginFill", {PushInt(0x16202C), PushInt(100)});
    Call(w, "_root", "moveTo", {PushDouble(cx + r), PushDouble(cy)});
    const double control = r / std::cos(kPi / 8);
    for (int i = 0; i < 8; ++i) {
        const double mid = (2 * i + 1) * kPi / 8, end = (2 * i + 2) * kPi / 8;
        Call(w, "_root", "curveTo",
             {PushDouble(cx + control * std::cos(mid)), PushDouble(cy + control * std::sin(mid)),
              PushDouble(cx + r * std::cos(end)), PushDouble(cy + r * std::sin(end))});
    }
    Call(w, "_root", "endFill", {});
    // Ticks in a loop the script runs: i from 0 to 11 at i * 30 degrees.
    Call(w, "_root", "lineStyle", {PushInt(4), PushInt(0xDDE6F0), PushInt(100)});
    w.Push({PushString("i"), PushInt(0)}).Op(0x3C);
    w.Label("tick").Get("i").Push({PushInt(12)}).Op(0x48).Op(0x12).If("ticked");
    w.Push({PushString("a")}).Get("i").Push({PushDouble(kPi / 6)}).Op(0x0C).Op(0x3C);
    for (const auto& step : {std::pair{"moveTo", 124.0}, std::pair{"lineTo", 140.0}}) {
        // _root.step(cx + len * Math.sin(a), cy - len * Math.cos(a))
        w.Push({PushDouble(cy)});
        w.Get("a").Push({PushInt(1)}).Get("Math").Push({PushString("cos")}).Op(0x52);
        w.Push({PushDouble(step.second)}).Op(0x0C).Op(0x0B);
        w.Push({PushDouble(cx)});
        w.Get("a").Push({PushInt(1)}).Get("Math").Push({PushString("sin")}).Op(0x52);
        w.Push({PushDouble(step.second)}).Op(0x0C).Op(0x47);
        w.Push({PushInt(2)}).Get("_root").Push({PushString(step.first)}).Op(0x52).Op(0x17);
    }
    w.Push({PushString("i")}).Get("i").Op(0x50).Op(0x1D).Jump("tick").Label("ticked");
    return w;
}

ActionWriter FrameScript() {
    ActionWriter w = DrawFace();
    const struct {
        const char* name;
        int x, y;
    } places[] = {{"hour", kClockCentreX, kClockCentreY},
                  {"minute", kClockCentreX, kClockCentreY},
                  {"second", kClockCentreX, kClockCentreY},
                  {"h1", 132, 344},
                  {"h2", 162, 344},
                  {"m1", 214, 344},
                  {"m2", 244, 344}};
    for (const auto& p : places) {
        w.Get(p.name).Push({PushString("_x"), PushInt(p.x)}).Op(0x4F);
        w.Get(p.name).Push({PushString("_y"), PushInt(p.y)}).Op(0x4F);
    }
    w.Function("update", {}, UpdateFunction());
    w.Get("_root").Push({PushString("onEnterFrame")}).Get("update").Op(0x4F);
    return w.Push({PushInt(0), PushString("update")}).Op(0x3D).Op(0x17);
}

} // namespace

Bytes MakeClockMovie() {
    Bytes tags = SetBackgroundColorTag(0x0C, 0x12, 0x1A);
    Append(tags, HandShape(kHourShape, 10, 80, {230, 236, 244, 255}));
    Append(tags, HandShape(kMinuteShape, 6, 120, {190, 205, 225, 255}));
    Append(tags, HandShape(kSecondShape, 2, 130, {255, 90, 60, 255}));
    Append(tags, SpriteOf(kHourSprite, kHourShape));
    Append(tags, SpriteOf(kMinuteSprite, kMinuteShape));
    Append(tags, SpriteOf(kSecondSprite, kSecondShape));
    Append(tags, RectangleShapeTag(3, kCapShape, (kClockCentreX - 7) * kPx,
                                   (kClockCentreY - 7) * kPx, (kClockCentreX + 7) * kPx,
                                   (kClockCentreY + 7) * kPx, Solid(255, 90, 60, 255)));
    ShapeWriter colon({Solid(120, 230, 255, 255)});
    colon.Select(-1, 1, -1).Rectangle(196 * kPx, 354 * kPx, 202 * kPx, 360 * kPx);
    colon.Select(-1, 1, -1).Rectangle(196 * kPx, 374 * kPx, 202 * kPx, 380 * kPx);
    Append(tags, DefineShapeTag(3, kColonShape, colon));
    for (int n = 0; n < 10; ++n)
        Append(tags, DigitShape(static_cast<uint16_t>(kFirstDigitShape + n), n));
    Append(tags, DigitSprite());
    const char* digits[] = {"h1", "h2", "m1", "m2"};
    for (int i = 0; i < 4; ++i)
        Append(tags, PlaceNamed(static_cast<uint16_t>(2 + i), kDigitSprite, digits[i]));
    PlaceRecipe colonPlace;
    colonPlace.depth = 6;
    colonPlace.characterId = kColonShape;
    Append(tags, PlaceObject2Tag(colonPlace));
    Append(tags, PlaceNamed(10, kHourSprite, "hour"));
    Append(tags, PlaceNamed(11, kMinuteSprite, "minute"));
    Append(tags, PlaceNamed(12, kSecondSprite, "second"));
    PlaceRecipe cap;
    cap.depth = 13;
    cap.characterId = kCapShape;
    Append(tags, PlaceObject2Tag(cap));
    Append(tags, DoActionTag(FrameScript().Records()));
    Append(tags, ShowFrameTag());
    SwfRecipe recipe = StageRecipe(false);
    recipe.version = 8;
    recipe.xmax = recipe.ymax = kClockStage * kPx;
    recipe.frameCount = 1;
    recipe.tags = tags;
    return MakeSwf(recipe);
}

} // namespace ww::samples
