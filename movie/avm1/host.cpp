#include "movie/avm1/host.h"

#include "movie/avm1/instances.h"
#include "movie/avm1/loader.h"

#include <algorithm>
#include <iterator>

namespace ww::movie::avm1 {

ScriptHost::ScriptHost(Player& player, const ScriptOptions& options) : player_(player) {
    VmOptions o;
    o.swfVersion = player.movie_.version;
    o.clockMs = options.clockMs;
    o.seed = options.seed;
    o.seeded = options.seeded;
    if (options.actionBudget)
        o.actionBudget = options.actionBudget;
    o.trace = options.trace;
    if (player.movie_.maxRecursion)
        o.maxCallDepth = std::min<int>(player.movie_.maxRecursion, kMaxCallDepth);
    vm_ = std::make_unique<Vm>(&player, o);
    SetLoadFolder(*vm_, options.folder.empty() ? player.movie_.folder : options.folder);
    vm_->BeginFrame(0);
}

ScriptHost::~ScriptHost() = default;

ScriptHost& ScriptHost::Of(Vm& vm) {
    return *vm.player()->scripts_;
}

Object* ScriptHost::ObjectOf(SpriteState& s) {
    if (!s.script) {
        s.script = vm_->MakeClipObject(&s);
        if (&s == &player_.root_)
            vm_->rootClip = s.script;
    }
    return s.script;
}

void ScriptHost::Born(SpriteState& s) {
    Object* o = ObjectOf(s);
    if (s.owner && s.owner->name.empty())
        s.owner->name = NextInstanceName();
    if (&s != &player_.root_)
        newborn_.push_back(Newborn{o, s.parent, player_.placing_});
}

void ScriptHost::Queue(Object* clip, const ActionBytes& block) {
    if (block && queue_.size() < kMaxQueuedPerTick)
        queue_.push_back(Pending{clip, block, std::string(), false});
}

void ScriptHost::QueueEvents(SpriteState& s, uint32_t bit, const char* method) {
    Object* o = ObjectOf(s);
    if (s.clipActions) {
        for (const ClipAction& a : *s.clipActions) {
            if (a.events & bit)
                Queue(o, a.actions);
        }
    }
    if (method && queue_.size() < kMaxQueuedPerTick)
        queue_.push_back(Pending{o, nullptr, method, false});
}

void ScriptHost::Unloading(SpriteState& s) {
    const size_t before = queue_.size();
    QueueEvents(s, kEventUnload, "onUnload");
    for (size_t i = before; i < queue_.size(); ++i)
        queue_[i].afterRemoval = true;
    if (ticking_) {
        for (size_t i = before; i < queue_.size() && unloads_.size() < kMaxQueuedPerTick; ++i)
            unloads_.push_back(queue_[i]);
        queue_.resize(before);
    }
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            Unloading(*entry.second.sprite);
    }
}

void ScriptHost::FrameEntered(SpriteState& s, uint32_t frame) {
    if (frame >= s.timeline->frames.size())
        return;
    const Frame& f = s.timeline->frames[frame];
    Object* o = ObjectOf(s);
    // Initialisation scripts run once each, before the frame's own.
    for (const InitAction& init : f.initScripts) {
        if (initDone_.insert({&player_.MovieOf(s), init.spriteId}).second)
            Queue(o, init.actions);
    }
    // A frame's scripts and the first frames of the clips it places run in
    // the order of their tags.
    for (size_t i = 0; i < f.scripts.size(); ++i) {
        if (i < f.scriptAfter.size())
            FlushPlacedBefore(s, f.scriptAfter[i]);
        Queue(o, f.scripts[i]);
    }
    FlushNewborn();
}

void ScriptHost::FlushPlacedBefore(SpriteState& s, uint32_t at) {
    size_t count = 0;
    while (count < newborn_.size() && newborn_[count].parent == &s &&
           newborn_[count].command != Player::kNotPlacing && newborn_[count].command < at)
        ++count;
    if (count == 0)
        return;
    std::vector<Newborn> rest(newborn_.begin() + static_cast<ptrdiff_t>(count), newborn_.end());
    newborn_.resize(count);
    FlushNewborn();
    newborn_.insert(newborn_.begin(), rest.begin(), rest.end());
}

void ScriptHost::FlushNewborn() {
    while (!newborn_.empty()) {
        std::vector<Newborn> born;
        born.swap(newborn_);
        for (const Newborn& n : born) {
            Object* o = n.clip;
            if (!o->clip)
                continue;
            SpriteState& s = *o->clip;
            QueueEvents(s, kEventInitialize | kEventConstruct, nullptr);
            FrameEntered(s, 0);
            QueueEvents(s, kEventLoad, "onLoad");
        }
    }
}

void ScriptHost::RunQueue() {
    FlushNewborn();
    // Fields placed since the last run set their variables before scripts.
    SyncBoundFields(*vm_, player_.root_);
    for (size_t i = 0; i < queue_.size(); ++i) {
        if (++ranThisTick_ > kMaxQueuedPerTick) {
            vm_->Warn("a movie ran more than 4096 script blocks in one frame; the rest waited");
            break;
        }
        const Pending p = queue_[i];
        if (!p.clip->clip && !p.afterRemoval)
            continue; // removed before its turn
        if (p.block)
            vm_->RunBlock(p.block, p.clip);
        else
            vm_->CallEvent(p.clip, p.method);
        FlushNewborn();
    }
    queue_.clear();
    SyncBoundFields(*vm_, player_.root_);
    // Files asked for arrive once the scripts that asked have run; what
    // their handlers ask for waits for the next run.
    if (!loading_) {
        loading_ = true;
        if (RunLoads(*vm_))
            RunQueue();
        // The first frames of what was loaded ran above.
        if (RunLoadInits(*vm_))
            RunQueue();
        loading_ = false;
    }
}

void ScriptHost::EnterFrameEvents(SpriteState& s) {
    QueueEvents(s, kEventEnterFrame, "onEnterFrame");
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            EnterFrameEvents(*entry.second.sprite);
    }
}

void ScriptHost::Tick() {
    ++ticks_;
    const double rate = movie().frameRate > 0 ? movie().frameRate : 12;
    ranThisTick_ = 0;
    vm_->BeginFrame(ticks_ * 1000.0 / rate);
    std::vector<Pending> frameScripts;
    ticking_ = true;
    player_.Tick(player_.root_);
    ticking_ = false;
    FlushNewborn();
    frameScripts.swap(queue_);
    EnterFrameEvents(player_.root_);
    for (auto& level : player_.levels_)
        EnterFrameEvents(*level.second);
    for (std::vector<Pending>* list : {&frameScripts, &unloads_}) {
        for (Pending& p : *list) {
            if (queue_.size() < kMaxQueuedPerTick)
                queue_.push_back(std::move(p));
        }
        list->clear();
    }
    RunQueue();
    Collect();
}

void ScriptHost::Goto(SpriteState& s, uint32_t frame) {
    const size_t count = s.timeline->frames.size();
    if (count == 0)
        return;
    frame = std::min<uint32_t>(frame, static_cast<uint32_t>(count - 1));
    if (frame == s.frame)
        return;
    // Clips placed by the frames passed over run their first frames before
    // the target frame's scripts; those the target frame places, after.
    if (frame > s.frame + 1) {
        player_.Goto(s, frame - 1);
        FlushNewborn();
    }
    player_.Goto(s, frame);
    FrameEntered(s, frame);
}

void ScriptHost::CallFrame(SpriteState& s, uint32_t frame) {
    if (frame >= s.timeline->frames.size())
        return;
    Object* o = ObjectOf(s);
    for (const ActionBytes& block : s.timeline->frames[frame].scripts)
        vm_->RunBlock(block, o);
}

SpriteState* ScriptHost::Attach(SpriteState& parent, uint16_t characterId, const std::string& name,
                                uint16_t depth) {
    if (player_.objectCount() >= kMaxDisplayObjects)
        return nullptr;
    const Timeline* empty = nullptr;
    CharacterRef ref{CharacterKind::Sprite, 0};
    if (characterId) {
        const CharacterRef* found = player_.MovieOf(parent).Find(characterId);
        if (!found || found->kind != CharacterKind::Sprite)
            return nullptr;
        ref = *found;
    } else {
        empty = &empty_;
    }
    player_.Remove(parent, depth);
    DisplayObject fresh;
    fresh.depth = depth;
    fresh.characterId = characterId;
    fresh.ref = ref;
    fresh.scripted = true;
    fresh.name = name;
    DisplayObject* o = &parent.objects.emplace(depth, std::move(fresh)).first->second;
    player_.objects_ += 1;
    if (!player_.Instantiate(parent, o, nullptr, empty) || !o->sprite) {
        player_.Remove(parent, depth);
        return nullptr;
    }
    player_.objects_ += player_.CountObjects(*o->sprite);
    return o->sprite.get();
}

void ScriptHost::ReplaceContent(SpriteState& s, std::shared_ptr<const Movie> movie,
                                const std::string& url, bool keepVariables) {
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            Unloading(*entry.second.sprite);
    }
    player_.Clear(s);
    Object* o = ObjectOf(s);
    if (s.drawing) {
        vm_->heap().Release(s.drawing->charged);
        o->charged -= std::min(o->charged, s.drawing->charged);
        s.drawing.reset();
    }
    // What scripts set on the clip went with the content it had; _lockroot
    // is the clip's own, and holds for what it loads.
    if (!keepVariables) {
        const Property* lock = o->FindOwn(vm_->Key("_lockroot"));
        const Value lockroot = lock ? lock->value : Value::Undefined();
        o->props.clear();
        o->index.clear();
        o->watches.clear();
        vm_->Define(o, "__proto__", Value::Obj(vm_->clipProto), kDontEnum);
        if (!lockroot.IsUndefined())
            vm_->Define(o, "_lockroot", lockroot);
    }
    s.loaded = std::move(movie);
    s.movie = s.loaded ? s.loaded.get() : (s.parent ? s.parent->movie : &player_.movie_);
    s.timeline = s.loaded ? &s.loaded->root : &empty_;
    s.url = s.loaded ? url : std::string();
    s.frame = 0;
    s.playing = true;
    if (!s.loaded)
        return;
    // A movie made at the address of one gone initialises its sprites anew.
    for (auto it = initDone_.begin(); it != initDone_.end();)
        it = it->first == s.movie ? initDone_.erase(it) : std::next(it);
    newborn_.push_back(Newborn{o, s.parent, Player::kNotPlacing});
    if (!s.timeline->frames.empty()) {
        const uint32_t outer = player_.placing_;
        player_.placing_ = Player::kNotPlacing;
        player_.Apply(s, s.timeline->frames[0]);
        player_.placing_ = outer;
    }
}

SpriteState* ScriptHost::Level(int n, bool make) {
    if (n == 0)
        return &player_.root_;
    if (n < 0 || n > kMaxLevel)
        return nullptr;
    auto found = player_.levels_.find(n);
    if (found != player_.levels_.end())
        return found->second.get();
    if (!make)
        return nullptr;
    auto level = std::make_unique<SpriteState>();
    level->timeline = &empty_;
    level->movie = &player_.movie_;
    level->level = n;
    level->birth = ++player_.births_;
    ObjectOf(*level);
    return player_.levels_.emplace(n, std::move(level)).first->second.get();
}

void ScriptHost::RemoveLevel(int n) {
    auto found = player_.levels_.find(n);
    if (n <= 0 || found == player_.levels_.end())
        return;
    Unloading(*found->second);
    player_.Clear(*found->second);
    player_.levels_.erase(found);
}

namespace {

void SumLoaded(const SpriteState& s, std::set<const Movie*>* seen, uint64_t* bytes) {
    if (s.loaded && seen->insert(s.loaded.get()).second)
        *bytes += s.loaded->memoryUsed;
    for (const auto& entry : s.objects) {
        if (entry.second.sprite)
            SumLoaded(*entry.second.sprite, seen, bytes);
    }
}

} // namespace

uint64_t ScriptHost::LoadedMemory(size_t* count) const {
    std::set<const Movie*> seen;
    uint64_t bytes = 0;
    for (const SpriteState* level : player_.Levels())
        SumLoaded(*level, &seen, &bytes);
    *count = seen.size();
    return bytes;
}

DisplayObject* ScriptHost::AddScripted(SpriteState& parent, DisplayObject fresh) {
    player_.Remove(parent, fresh.depth);
    if (player_.objectCount() >= kMaxDisplayObjects)
        return nullptr;
    const uint16_t depth = fresh.depth;
    player_.objects_ += 1;
    return &parent.objects.emplace(depth, std::move(fresh)).first->second;
}

void ScriptHost::Remove(SpriteState& s) {
    if (!s.owner || !s.parent)
        return;
    SpriteState& parent = const_cast<SpriteState&>(*s.parent);
    player_.Remove(parent, s.owner->depth);
}

bool ScriptHost::SwapDepth(SpriteState& s, uint16_t depth) {
    if (!s.owner || !s.parent)
        return false;
    SpriteState& parent = const_cast<SpriteState&>(*s.parent);
    const uint16_t from = s.owner->depth;
    if (from == depth)
        return true;
    auto a = parent.objects.find(from);
    if (a == parent.objects.end())
        return false;
    DisplayObject moving = std::move(a->second);
    parent.objects.erase(a);
    auto b = parent.objects.find(depth);
    if (b != parent.objects.end()) {
        DisplayObject other = std::move(b->second);
        parent.objects.erase(b);
        other.depth = from;
        other.scripted = true;
        DisplayObject& placed = parent.objects.emplace(from, std::move(other)).first->second;
        if (placed.sprite)
            placed.sprite->owner = &placed;
        if (placed.instance)
            placed.instance->depth = from;
    }
    moving.depth = depth;
    moving.scripted = true;
    DisplayObject& placed = parent.objects.emplace(depth, std::move(moving)).first->second;
    if (placed.sprite)
        placed.sprite->owner = &placed;
    return true;
}

void ScriptHost::CollectRoots(SpriteState& s, std::vector<Object*>* roots) {
    if (s.script)
        roots->push_back(s.script);
    InstanceRoots(s, roots);
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            CollectRoots(*entry.second.sprite, roots);
    }
}

void ScriptHost::Collect() {
    std::vector<Object*> roots;
    CollectRoots(player_.root_, &roots);
    for (auto& level : player_.levels_)
        CollectRoots(*level.second, &roots);
    LoadRoots(*vm_, &roots);
    vm_->Collect(roots);
}

} // namespace ww::movie::avm1
