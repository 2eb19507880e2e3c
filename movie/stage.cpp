// The stage's layout as the host shows it and scripts change it.
#include "movie/avm1/host.h"
#include "movie/player.h"
#include "movie/render.h"

#include <algorithm>

namespace ww::movie {

namespace {

const struct {
    const char* lower;
    const char* name;
    ScaleMode mode;
} kScaleModes[] = {{"showall", "showAll", ScaleMode::ShowAll},
                   {"noborder", "noBorder", ScaleMode::NoBorder},
                   {"exactfit", "exactFit", ScaleMode::ExactFit},
                   {"noscale", "noScale", ScaleMode::NoScale}};

// Stage's listeners hear method, as AsBroadcaster would send it.
void BroadcastStage(avm1::ScriptHost& host, const char* method) {
    avm1::Vm& vm = host.vm();
    const avm1::Value stage = vm.GetOf(vm.global, "Stage");
    if (stage.type != avm1::Type::Object)
        return;
    const avm1::Value listeners = vm.GetOf(stage.o, "_listeners");
    if (listeners.type != avm1::Type::Object)
        return;
    const std::vector<avm1::Value> copy = listeners.o->elements;
    for (const avm1::Value& l : copy) {
        if (l.type == avm1::Type::Object && !(l.o->kind == avm1::ObjectKind::Clip && !l.o->clip))
            vm.CallEvent(l.o, method);
    }
}

} // namespace

bool ParseScaleMode(const std::string& text, ScaleMode* mode) {
    for (const auto& m : kScaleModes) {
        if (text == m.lower) {
            *mode = m.mode;
            return true;
        }
    }
    return false;
}

const char* ScaleModeName(ScaleMode mode) {
    for (const auto& m : kScaleModes) {
        if (m.mode == mode)
            return m.name;
    }
    return "showAll";
}

uint8_t ParseStageAlign(const std::string& text) {
    uint8_t align = 0;
    for (char c : text) {
        switch (c | 0x20) {
        case 'l':
            align |= kAlignLeft;
            break;
        case 't':
            align |= kAlignTop;
            break;
        case 'r':
            align |= kAlignRight;
            break;
        case 'b':
            align |= kAlignBottom;
            break;
        default:
            break;
        }
    }
    return align;
}

std::string StageAlignText(uint8_t align) {
    std::string text;
    if (align & kAlignLeft)
        text += 'L';
    if (align & kAlignTop)
        text += 'T';
    if (align & kAlignRight)
        text += 'R';
    if (align & kAlignBottom)
        text += 'B';
    return text;
}

void Player::StageSize(double* width, double* height) const {
    if (stageScale() == ScaleMode::NoScale && view_.width > 0 && view_.height > 0) {
        *width = view_.width;
        *height = view_.height;
        return;
    }
    *width = (double(movie_.stage.xmax) - movie_.stage.xmin) / kTwipsPerPixel;
    *height = (double(movie_.stage.ymax) - movie_.stage.ymin) / kTwipsPerPixel;
}

void Player::TellResize(double oldWidth, double oldHeight) {
    double w = 0, h = 0;
    StageSize(&w, &h);
    if (stageScale() != ScaleMode::NoScale || (w == oldWidth && h == oldHeight) || !scripts_)
        return;
    BroadcastStage(*scripts_, "onResize");
}

void Player::SetStageView(const StageView& view) {
    double w = 0, h = 0;
    StageSize(&w, &h);
    view_ = view;
    view_.width = std::max(0, view_.width);
    view_.height = std::max(0, view_.height);
    TellResize(w, h);
    if (scripts_)
        scripts_->RunQueue();
}

void Player::SetStageScale(ScaleMode mode) {
    double w = 0, h = 0;
    StageSize(&w, &h);
    scriptScale_ = true;
    scale_ = mode;
    TellResize(w, h);
}

void Player::SetStageAlign(uint8_t align) {
    scriptAlign_ = true;
    align_ = align;
}

void Player::ApplyStageLayout(RenderOptions* options) const {
    options->scale = scriptScale_ ? scale_ : options->scale;
    options->align = scriptAlign_ ? align_ : options->align;
}

} // namespace ww::movie
