#include "movie/player.h"

#include "movie/avm1/host.h"
#include "movie/focus.h"
#include "movie/pointer.h"

#include <algorithm>

namespace ww::movie {

SpriteState::~SpriteState() {
    // The script object outlives the clip; it must no longer reach it.
    if (script)
        script->clip = nullptr;
}

Player::Player(const Movie& movie) : Player(movie, ScriptOptions()) {}

Player::Player(const Movie& movie, const ScriptOptions& scripts) : movie_(movie) {
    root_.timeline = &movie.root;
    root_.movie = &movie;
    openUrl_ = scripts.openUrl;
    view_ = scripts.stage;
    if (movie.scripted)
        scripts_ = std::make_unique<avm1::ScriptHost>(*this, scripts);
    Start();
}

Player::~Player() {
    // Clips go before the runtime whose objects they point at.
    levels_.clear();
    root_.objects.clear();
    if (root_.script)
        root_.script->clip = nullptr;
    root_.script = nullptr;
}

std::vector<const SpriteState*> Player::Levels() const {
    std::vector<const SpriteState*> out{&root_};
    for (const auto& level : levels_)
        out.push_back(level.second.get());
    return out;
}

std::vector<std::string> Player::scriptWarnings() const {
    return scripts_ ? scripts_->warnings() : std::vector<std::string>();
}

void Player::Start() {
    if (scripts_)
        scripts_->Born(root_);
    if (movie_.root.frames.empty())
        return;
    Apply(root_, movie_.root.frames[0]);
    RunActions(root_, 0);
    if (scripts_)
        scripts_->RunQueue();
}

void Player::Advance() {
    if (scripts_) {
        scripts_->Tick();
        if (pointer_)
            RepickPointer(*scripts_);
        return;
    }
    Tick(root_);
}

namespace {

struct TickEntry {
    uint64_t birth;
    SpriteState* top;             // the level's main timeline it is on
    std::vector<uint16_t> depths; // from there, to find it again
};

void CollectSprites(SpriteState* top, const SpriteState& s, std::vector<uint16_t>& path,
                    std::vector<TickEntry>* out) {
    for (const auto& entry : s.objects) {
        if (!entry.second.sprite)
            continue;
        path.push_back(entry.first);
        out->push_back(TickEntry{entry.second.sprite->birth, top, path});
        CollectSprites(top, *entry.second.sprite, path, out);
        path.pop_back();
    }
}

SpriteState* FindSprite(const TickEntry& e) {
    SpriteState* s = e.top;
    for (uint16_t depth : e.depths) {
        auto found = s->objects.find(depth);
        if (found == s->objects.end() || !found->second.sprite)
            return nullptr;
        s = found->second.sprite.get();
    }
    return s->birth == e.birth ? s : nullptr;
}

} // namespace

// Flash steps the newest clip first and the main timeline last. A clip that
// an earlier step removed is skipped; one placed during the tick waits for
// the next.
void Player::Tick(SpriteState& root) {
    std::vector<TickEntry> order;
    std::vector<uint16_t> path;
    CollectSprites(&root, root, path, &order);
    // Levels are only made and removed as loads complete, never in a tick.
    for (auto& level : levels_)
        CollectSprites(level.second.get(), *level.second, path, &order);
    std::stable_sort(order.begin(), order.end(),
                     [](const TickEntry& a, const TickEntry& b) { return a.birth > b.birth; });
    for (const TickEntry& e : order) {
        if (SpriteState* s = FindSprite(e))
            Step(*s);
    }
    Step(root);
    for (auto& level : levels_)
        Step(*level.second);
}

void Player::Step(SpriteState& s) {
    const size_t count = s.timeline->frames.size();
    if (!s.playing || count < 2)
        return;
    if (&s == &root_ && !loop_ && s.frame + 1 >= count) {
        s.playing = false;
        return;
    }
    const uint32_t next = s.frame + 1 < count ? s.frame + 1 : 0;
    Goto(s, next);
    RunActions(s, next);
}

// Forwards, the frames between are applied in turn; backwards, the list is
// rebuilt from the first frame, as a player does, keeping the running state of
// a sprite that stays at its depth.
void Player::Goto(SpriteState& s, uint32_t frame) {
    const std::vector<Frame>& frames = s.timeline->frames;
    if (frames.empty())
        return;
    frame = std::min<uint32_t>(frame, static_cast<uint32_t>(frames.size() - 1));
    if (frame == s.frame)
        return;
    if (frame > s.frame) {
        for (uint32_t k = s.frame + 1; k <= frame; ++k)
            Apply(s, frames[k]);
        s.frame = frame;
        return;
    }
    std::map<uint16_t, DisplayObject> old = std::move(s.objects);
    s.objects.clear();
    for (const auto& entry : old)
        objects_ -= 1 + (entry.second.sprite ? CountObjects(*entry.second.sprite) : 0);
    for (uint32_t k = 0; k <= frame; ++k)
        Apply(s, frames[k]);
    s.frame = frame;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        auto before = old.find(entry.first);
        // The same placement only: a character placed again later (another
        // ratio) is a new instance.
        if (before == old.end() || before->second.characterId != o.characterId ||
            before->second.scripted || before->second.ratio != o.ratio)
            continue;
        DisplayObject& was = before->second;
        if (was.instance) {
            // A button or field keeps its state, its script object and its name.
            o.instance = std::move(was.instance);
            o.instance->depth = o.depth;
            o.name = was.name;
        }
        if (!o.sprite || !was.sprite)
            continue;
        const size_t fresh = CountObjects(*o.sprite), kept = CountObjects(*was.sprite);
        if (objects_ - fresh + kept > kMaxDisplayObjects)
            continue;
        objects_ = objects_ - fresh + kept;
        o.sprite = std::move(was.sprite);
        o.sprite->owner = &o;
        o.matrix = was.matrix;
        o.color = was.color;
        o.visible = was.visible;
    }
    // What scripts made stays where the timeline leaves room for it.
    for (auto& entry : old) {
        DisplayObject& o = entry.second;
        if (!o.scripted || s.objects.count(entry.first))
            continue;
        const size_t count = 1 + (o.sprite ? CountObjects(*o.sprite) : 0);
        if (objects_ + count > kMaxDisplayObjects)
            continue;
        objects_ += count;
        DisplayObject& kept = s.objects.emplace(entry.first, std::move(o)).first->second;
        if (kept.sprite)
            kept.sprite->owner = &kept;
    }
    // Sprites the rewind did not keep are unloaded.
    for (auto& entry : old) {
        if (scripts_ && entry.second.sprite)
            scripts_->Unloading(*entry.second.sprite);
    }
}

void Player::RunActions(SpriteState& s, uint32_t frame) {
    if (scripts_) {
        scripts_->FrameEntered(s, frame);
        return;
    }
    const std::vector<Frame>& frames = s.timeline->frames;
    for (int jumps = 0; jumps <= kMaxJumpsPerFrame && frame < frames.size(); ++jumps) {
        bool jump = false;
        uint32_t target = frame;
        for (const Action& a : frames[frame].actions) {
            switch (a.kind) {
            case ActionKind::Stop:
                s.playing = false;
                break;
            case ActionKind::Play:
                s.playing = true;
                break;
            case ActionKind::GotoFrame:
                jump = true;
                target = a.frame;
                break;
            case ActionKind::GotoLabel: {
                auto it = s.timeline->labels.find(a.label);
                if (it != s.timeline->labels.end()) {
                    jump = true;
                    target = it->second;
                }
                break;
            }
            case ActionKind::NextFrame:
                s.playing = false;
                jump = frame + 1 < frames.size();
                target = frame + 1;
                break;
            case ActionKind::PrevFrame:
                s.playing = false;
                jump = frame > 0;
                target = frame - 1;
                break;
            }
        }
        target = std::min<uint32_t>(target, static_cast<uint32_t>(frames.size() - 1));
        if (!jump || target == s.frame)
            return;
        Goto(s, target);
        frame = target;
    }
}

void Player::Apply(SpriteState& s, const Frame& frame) {
    const uint32_t outer = placing_;
    for (size_t i = 0; i < frame.commands.size(); ++i) {
        placing_ = static_cast<uint32_t>(i);
        const FrameCommand& c = frame.commands[i];
        if (c.remove)
            Remove(s, c.place.depth);
        else
            Place(s, c.place);
    }
    placing_ = outer;
}

bool Player::Instantiate(SpriteState& parent, DisplayObject* o,
                         const std::shared_ptr<const std::vector<ClipAction>>& clipActions,
                         const Timeline* empty) {
    o->sprite.reset();
    if (o->ref.kind != CharacterKind::Sprite)
        return true;
    if (parent.nesting + 1 >= kMaxSpriteNesting)
        return false;
    const Movie& movie = MovieOf(parent);
    const Timeline* timeline = empty ? empty : &movie.sprites[o->ref.index];
    // An empty clip holds nothing to repeat, so one may sit inside another.
    for (const SpriteState* a = &parent; a && !empty; a = a->parent) {
        if (a->timeline == timeline)
            return false; // a sprite inside itself
    }
    o->sprite = std::make_unique<SpriteState>();
    SpriteState& child = *o->sprite;
    child.timeline = timeline;
    child.movie = &movie;
    child.parent = &parent;
    child.nesting = parent.nesting + 1;
    child.owner = o;
    child.clipActions = clipActions;
    child.birth = ++births_;
    if (scripts_)
        scripts_->Born(child);
    if (!timeline->frames.empty()) {
        Apply(child, timeline->frames[0]);
        if (!scripts_)
            RunActions(child, 0);
    }
    return true;
}

void Player::Place(SpriteState& s, const PlaceCommand& p) {
    auto it = s.objects.find(p.depth);
    DisplayObject* o = it == s.objects.end() ? nullptr : &it->second;
    if (!p.hasCharacter) {
        if (!p.move || !o)
            return;
    } else {
        const CharacterRef* ref = MovieOf(s).Find(p.characterId);
        if (!ref || ref->kind == CharacterKind::Bitmap || ref->kind == CharacterKind::Font)
            return;
        const bool keep = p.move && o;
        if (!keep) {
            Remove(s, p.depth);
            if (objects_ >= kMaxDisplayObjects)
                return;
            DisplayObject fresh;
            fresh.depth = p.depth;
            o = &s.objects.emplace(p.depth, std::move(fresh)).first->second;
            ++objects_;
        }
        const bool sameSprite = keep && o->sprite && o->characterId == p.characterId;
        o->characterId = p.characterId;
        o->ref = *ref;
        if (!sameSprite) {
            if (o->sprite)
                objects_ -= CountObjects(*o->sprite);
            if (!Instantiate(s, o, p.clipActions)) {
                Remove(s, p.depth);
                return;
            }
        }
    }
    if (p.hasMatrix)
        o->matrix = p.matrix;
    if (p.hasColor)
        o->color = p.color;
    if (p.hasRatio)
        o->ratio = p.ratio;
    if (p.hasClipDepth)
        o->clipDepth = p.clipDepth;
    if (p.hasName)
        o->name = p.name;
    // Fields and buttons without a name get one as sprites do, for scripts.
    if (p.hasCharacter && o->name.empty() && !o->sprite && scripts_ &&
        (o->ref.kind == CharacterKind::EditText || o->ref.kind == CharacterKind::Button))
        o->name = scripts_->NextInstanceName();
    if (p.hasFilters)
        o->filters = p.filters;
    if (p.hasBlendMode)
        o->blendMode = p.blendMode;
    if (p.hasCacheAsBitmap)
        o->cacheAsBitmap = p.cacheAsBitmap;
    if (p.hasVisible)
        o->visible = p.visible;
    if (p.hasBackground) {
        o->hasBackground = true;
        o->background = p.background;
    }
}

void Player::Remove(SpriteState& s, uint16_t depth) {
    auto it = s.objects.find(depth);
    if (it == s.objects.end())
        return;
    if (scripts_) {
        // The focus leaves with its object; the listeners told may change
        // the list, so the entry is looked for again.
        ReleaseFocusWithin(*scripts_, it->second);
        it = s.objects.find(depth);
        if (it == s.objects.end())
            return;
    }
    objects_ -= 1 + (it->second.sprite ? CountObjects(*it->second.sprite) : 0);
    if (scripts_ && it->second.sprite)
        scripts_->Unloading(*it->second.sprite);
    s.objects.erase(it);
}

void Player::Clear(SpriteState& s) {
    objects_ -= CountObjects(s);
    s.objects.clear();
}

size_t Player::CountObjects(const SpriteState& s) const {
    size_t n = 0;
    for (const auto& entry : s.objects)
        n += 1 + (entry.second.sprite ? CountObjects(*entry.second.sprite) : 0);
    return n;
}

} // namespace ww::movie
