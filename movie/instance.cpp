#include "movie/instance.h"

#include "movie/avm1/value.h"
#include "movie/player.h"

#include <atomic>

namespace ww::movie {

namespace {
std::atomic<uint64_t> nextSerial{1};
} // namespace

InstanceState::InstanceState() : serial(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

InstanceState::~InstanceState() {
    // The script object may outlive the field or button; it must not reach it.
    if (script)
        script->instance = nullptr;
}

DisplayObject* InstanceState::Owner() const {
    if (!parent)
        return nullptr;
    auto it = parent->objects.find(depth);
    if (it == parent->objects.end() || it->second.instance.get() != this)
        return nullptr;
    return &it->second;
}

InstanceState* InstanceOf(SpriteState& parent, DisplayObject& o) {
    if (o.ref.kind != CharacterKind::EditText && o.ref.kind != CharacterKind::Button)
        return nullptr;
    if (!o.instance) {
        o.instance = std::make_unique<InstanceState>();
        o.instance->parent = &parent;
        o.instance->depth = o.depth;
    }
    // The entry may have moved to another depth (swapDepths).
    o.instance->depth = o.depth;
    return o.instance.get();
}

FieldState* FieldOf(SpriteState& parent, DisplayObject& o, const Movie& outer) {
    const Movie& movie = parent.movie ? *parent.movie : outer; // a loaded clip's own
    if (o.ref.kind != CharacterKind::EditText)
        return nullptr;
    // A field a script made has its state from the start, and no tag.
    if (o.instance && o.instance->field)
        return o.instance->field.get();
    if (o.ref.index >= movie.editTexts.size())
        return nullptr;
    InstanceState* state = InstanceOf(parent, o);
    if (!state->field) {
        auto field = std::make_unique<FieldState>();
        field->edit = movie.editTexts[o.ref.index];
        field->autoSize = field->edit.autoSize ? AutoSize::Left : AutoSize::None;
        field->background = field->edit.border;
        field->newFormat = FieldFormat(movie, field->edit);
        state->field = std::move(field);
    }
    return state->field.get();
}

} // namespace ww::movie
