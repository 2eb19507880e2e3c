// The script runtime as the player hosts it: one VM for the movie, a script
// object for every sprite, and the queue of scripts a frame runs (initial
// actions, frame scripts, clip events) in Flash's order: a parent's frame
// script before the first frame of clips it just placed, then their load
// events; enterFrame events before the frame scripts of each tick.
#pragma once

#include "movie/avm1/vm.h"
#include "movie/player.h"

#include <set>
#include <string>
#include <vector>

namespace ww::movie::avm1 {

// Blocks run per tick at most: a ring of scripted go-tos ends here.
constexpr size_t kMaxQueuedPerTick = 4096;
// The highest level a movie may be loaded into (_level0 to _level65535).
constexpr int kMaxLevel = 65535;

class ScriptHost {
  public:
    ScriptHost(Player& player, const ScriptOptions& options);
    ~ScriptHost();
    static ScriptHost& Of(Vm& vm);

    Vm& vm() { return *vm_; }
    Player& player() { return player_; }
    const Movie& movie() const { return player_.movie_; }

    // The player's calls.
    void Born(SpriteState& s);
    // "instance1", "instance2" ...: the names Flash gives unnamed objects.
    std::string NextInstanceName() { return "instance" + std::to_string(++instanceCount_); }
    void FrameEntered(SpriteState& s, uint32_t frame);
    void RunQueue();
    void Tick();
    // s leaves the display list: its unload events (and its children's) are
    // queued to run after, on the script objects that outlive it.
    void Unloading(SpriteState& s);
    std::vector<std::string> warnings() const { return vm_->warnings(); }

    // The runtime's calls into the display list.
    Object* ObjectOf(SpriteState& s);
    void Goto(SpriteState& s, uint32_t frame);
    void SetPlaying(SpriteState& s, bool playing) { s.playing = playing; }
    void CallFrame(SpriteState& s, uint32_t frame);
    // A new sprite (or empty clip when id is 0) at a depth of parent; null
    // when it cannot be made.
    SpriteState* Attach(SpriteState& parent, uint16_t characterId, const std::string& name,
                        uint16_t depth);
    void Remove(SpriteState& s);
    // An object a script made other than a clip (createTextField), counted
    // as the timeline's are; null when the movie has too many.
    DisplayObject* AddScripted(SpriteState& parent, DisplayObject fresh);
    void RemoveAt(SpriteState& parent, uint16_t depth) { player_.Remove(parent, depth); }
    bool SwapDepth(SpriteState& s, uint16_t depth);
    SpriteState& root() { return player_.root_; }
    // Loading into a clip: its objects leave (their unload events queued),
    // its drawing goes (and its variables, unless kept), and it plays movie
    // from the first frame as a clip just placed does. Null leaves it empty
    // (unloadMovie).
    void ReplaceContent(SpriteState& s, std::shared_ptr<const Movie> movie, const std::string& url,
                        bool keepVariables = false);
    // Level n's main timeline (0: the movie's own), made empty when asked
    // and missing; null when there is none.
    SpriteState* Level(int n, bool make);
    // A level above 0 leaves, with its unload events.
    void RemoveLevel(int n);
    // The memory of the loaded movies still shown, and how many there are.
    uint64_t LoadedMemory(size_t* count) const;
    const Timeline* EmptyTimeline() const { return &empty_; }

  private:
    struct Pending {
        Object* clip;
        ActionBytes block;
        std::string method;        // an event method (onLoad) when block is null
        bool afterRemoval = false; // an unload event: runs though the clip is gone
    };
    void Queue(Object* clip, const ActionBytes& block);
    void QueueEvents(SpriteState& s, uint32_t bit, const char* method);
    void FlushNewborn();
    void EnterFrameEvents(SpriteState& s);
    void CollectRoots(SpriteState& s, std::vector<Object*>* roots);
    void Collect();

    Player& player_;
    std::unique_ptr<Vm> vm_;
    std::vector<Pending> queue_;
    struct Newborn {
        Object* clip;
        const SpriteState* parent;
        uint32_t command; // the parent's frame command that placed it
    };
    // Runs the first frames of the clips s placed before its command at.
    void FlushPlacedBefore(SpriteState& s, uint32_t at);
    std::vector<Newborn> newborn_;
    // Unload events of clips the timeline removed run after the frame scripts.
    std::vector<Pending> unloads_;
    bool ticking_ = false;
    bool loading_ = false; // completing loads: their handlers' loads wait
    // Sprites whose initialisation ran, by the movie that defines them.
    std::set<std::pair<const Movie*, uint16_t>> initDone_;
    size_t ranThisTick_ = 0;
    int instanceCount_ = 0;
    uint32_t ticks_ = 0;
    Timeline empty_;
};

} // namespace ww::movie::avm1
