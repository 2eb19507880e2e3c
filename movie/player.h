// Playing a movie: the display lists of the main timeline and of every sprite
// placed on it, advanced one frame at a time, with the timeline actions (stop,
// play, go to a frame or label, next and previous frame) run as each frame is
// entered. A movie with other scripts has them run by the ActionScript
// runtime (movie/avm1/), which moves and changes what the player shows.
//
// Sprites loop on their own, each advancing once per frame of the movie. A
// sprite that would contain itself, nesting beyond kMaxSpriteNesting and
// objects beyond kMaxDisplayObjects are not placed.
#pragma once

#include "movie/instance.h"
#include "movie/movie.h"
#include "movie/stage_layout.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ww::movie {

namespace avm1 {
class Object;
class ScriptHost;
} // namespace avm1

constexpr int kMaxSpriteNesting = 32;
constexpr size_t kMaxDisplayObjects = 1u << 18;
// Go-to actions followed within one frame; a frame that jumps to itself or a
// ring of frames that jump onwards stops there.
constexpr int kMaxJumpsPerFrame = 16;

struct SpriteState;

// A sprite's drawing-API canvas: the shape drawn beneath the sprite's
// children, and the pen the next call goes on from (twips).
struct ScriptDrawing {
    Shape shape;
    int32_t penX = 0, penY = 0;
    int32_t startX = 0, startY = 0; // where the open fill's outline began
    uint32_t fill = 0, line = 0;    // styles in use, 1-based into shape's tables
    bool hasBounds = false;
    uint64_t charged = 0; // bytes charged to the script memory cap
};

struct DisplayObject {
    uint16_t depth = 0;
    uint16_t characterId = 0;
    CharacterRef ref{CharacterKind::Shape, 0};
    Matrix matrix;
    ColorTransform color;
    uint16_t ratio = 0;
    uint16_t clipDepth = 0;
    bool visible = true;
    // Made by a script (attachMovie, duplicateMovieClip ...), not the
    // timeline: a rewind keeps it.
    bool scripted = false;
    std::string name;
    std::vector<Filter> filters;
    BlendMode blendMode = BlendMode::Normal;
    bool cacheAsBitmap = false;
    // opaqueBackground: the object's box filled in this colour behind it.
    bool hasBackground = false;
    Rgba background;
    std::unique_ptr<SpriteState> sprite;
    // A text field's or button's own state, made when first needed.
    std::unique_ptr<InstanceState> instance;
};

// What Sound objects set for a clip's sounds, or for all of them: the
// volume and the four channel levels, in percent. Nothing is played.
struct SoundMix {
    int32_t volume = 100;
    int32_t ll = 100, lr = 0, rl = 0, rr = 100;
};

struct SpriteState {
    SpriteState() = default;
    SpriteState(const SpriteState&) = delete;
    SpriteState& operator=(const SpriteState&) = delete;
    ~SpriteState();

    const Timeline* timeline = nullptr;
    // The movie whose dictionary the timeline's objects come from: the
    // parent's, or one loaded into this clip (loadMovie), held while shown.
    const Movie* movie = nullptr;
    std::shared_ptr<const Movie> loaded;
    std::string url; // what was loaded into it (_url); empty for none
    int level = 0;   // a level's main timeline: its number (_levelN)
    const SpriteState* parent = nullptr;
    int nesting = 0;
    uint32_t frame = 0;
    bool playing = true;
    std::map<uint16_t, DisplayObject> objects; // by depth
    // The display object that holds this sprite (null for the main
    // timeline), and the script object that stands for it.
    DisplayObject* owner = nullptr;
    avm1::Object* script = nullptr;
    std::shared_ptr<const std::vector<ClipAction>> clipActions;
    std::unique_ptr<ScriptDrawing> drawing; // null until a script draws
    SoundMix sound;
    uint64_t birth = 0; // instantiation order: the newest steps first
    // _focusrect as a script set it: -1 unset (the movie's setting), 0, 1.
    int8_t focusRect = -1;
};

// What the script runtime takes from its host.
struct ScriptOptions {
    // Each trace() line, as Flash's log has it.
    std::function<void(const std::string&)> trace;
    // Milliseconds since 1970 Date starts from; the system clock when negative.
    double clockMs = -1;
    uint32_t seed = 0;
    bool seeded = false;
    uint64_t actionBudget = 0; // 0: the runtime's default
    // Opens an http or https page a script asks for in answer to a click;
    // unset, no page is opened.
    std::function<void(const std::string&)> openUrl;
    // The folder whose files (and those below) scripts may load, when the
    // movie's own is not the one; with neither, every load is refused.
    std::string folder;
    // The area the movie is first shown in; Player::SetStageView follows
    // it as it changes.
    StageView stage;
};

struct PointerState;
struct KeyboardState;
struct RenderOptions;
enum class TextCommand : uint8_t;

class Player {
  public:
    // The movie must outlive the player. Frame 0 is entered at once.
    explicit Player(const Movie& movie);
    Player(const Movie& movie, const ScriptOptions& scripts);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    // One tick: every sprite, then the main timeline, moves on a frame.
    void Advance();
    // The main timeline's own state, as the page's play and loop settings
    // set it: paused, or stopping at its last frame instead of starting over.
    void SetPlaying(bool playing) { root_.playing = playing; }
    void SetLoop(bool loop) { loop_ = loop; }
    bool playing() const { return root_.playing; }
    const SpriteState& root() const { return root_; }
    // The main timeline, then the movies loaded into levels above it
    // (loadMovieNum), in the order they are drawn.
    std::vector<const SpriteState*> Levels() const;
    uint32_t frame() const { return root_.frame; }
    size_t objectCount() const { return objects_; }
    // What the scripts noted once each (a stopped script, a refused request).
    std::vector<std::string> scriptWarnings() const;
    const Movie& movie() const { return movie_; }
    // The movie s's own objects come from.
    const Movie& MovieOf(const SpriteState& s) const { return s.movie ? *s.movie : movie_; }

    // The pointer over the stage, in stage twips (pointer.cpp): buttons
    // change state and run their actions, clips and listeners hear of it.
    void PointerMove(double x, double y);
    void PointerDown(double x, double y);
    void PointerUp(double x, double y);
    // The wheel turned by lines (positive away from the user) where the
    // pointer last was: Mouse listeners hear onMouseWheel, and the text
    // field under the pointer scrolls.
    void PointerWheel(int lines);
    // The pointer is over a button or a clip that answers clicks.
    bool PointerOverButton() const;
    // A script's request for a page: opened only during a click, and only
    // for http and https; false when refused.
    bool OpenUrl(const std::string& url);
    PointerState& pointer();
    // What new Sound() with no clip sets.
    SoundMix& globalSound() { return globalSound_; }

    // Keys and typed text (keyboard.cpp): Key and its listeners, clips' key
    // events, buttons' key conditions, Tab between the focusable objects,
    // editing in the focused input field.
    void KeyDown(int code, uint32_t ascii);
    void KeyUp(int code, uint32_t ascii);
    void TypeCharacter(uint32_t c);
    void EditCommand(TextCommand command);
    // The window holding the movie gains or loses the keyboard.
    void WindowFocus(bool focused);
    KeyboardState& keyboard();
    // Null until the first key or focus.
    const KeyboardState* keyboardState() const { return keyboard_.get(); }

    // The area the movie is shown in (stage.cpp). The host says so before
    // drawing; scripts read it through Stage, and in noScale a new size
    // tells Stage's listeners (onResize).
    void SetStageView(const StageView& view);
    // Stage.scaleMode and Stage.align: what a script set, else the host's.
    ScaleMode stageScale() const { return scriptScale_ ? scale_ : view_.scale; }
    uint8_t stageAlign() const { return scriptAlign_ ? align_ : view_.align; }
    void SetStageScale(ScaleMode mode);
    void SetStageAlign(uint8_t align);
    // Stage.width and Stage.height: the area's pixels in noScale (the
    // stage's until the host tells), else the movie's own stage.
    void StageSize(double* width, double* height) const;
    // The scale and alignment to draw and map the pointer with.
    void ApplyStageLayout(RenderOptions* options) const;

  private:
    friend class avm1::ScriptHost;
    void Start();
    void Tick(SpriteState& root);
    // One sprite's own move to its next frame.
    void Step(SpriteState& s);
    // Shows frame of s (within its frames) and queues its actions.
    void Goto(SpriteState& s, uint32_t frame);
    void Apply(SpriteState& s, const Frame& frame);
    void Place(SpriteState& s, const PlaceCommand& p);
    // empty: the timeline of a clip a script made empty.
    bool Instantiate(SpriteState& parent, DisplayObject* o,
                     const std::shared_ptr<const std::vector<ClipAction>>& clipActions = nullptr,
                     const Timeline* empty = nullptr);
    void Remove(SpriteState& s, uint16_t depth);
    void Clear(SpriteState& s);
    void RunActions(SpriteState& s, uint32_t frame);
    size_t CountObjects(const SpriteState& s) const;

    const Movie& movie_;
    std::unique_ptr<avm1::ScriptHost> scripts_;
    SpriteState root_;
    std::map<int, std::unique_ptr<SpriteState>> levels_; // above level 0, by number
    size_t objects_ = 0;
    bool loop_ = true;
    std::shared_ptr<PointerState> pointer_;   // made at the first pointer event
    std::shared_ptr<KeyboardState> keyboard_; // made at the first key
    std::function<void(const std::string&)> openUrl_;
    SoundMix globalSound_;
    StageView view_;
    bool scriptScale_ = false, scriptAlign_ = false;
    ScaleMode scale_ = ScaleMode::ShowAll;
    uint8_t align_ = 0;
    void TellResize(double oldWidth, double oldHeight);
    uint64_t births_ = 0;
    // The index of the frame command being applied; kNotPlacing otherwise.
    static constexpr uint32_t kNotPlacing = UINT32_MAX;
    uint32_t placing_ = kNotPlacing;
};

} // namespace ww::movie
