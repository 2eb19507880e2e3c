// The ActionScript 1 and 2 virtual machine: runs the action records of SWF 4
// to 8 (frame scripts, initialisation scripts, clip events, functions) on one
// heap of objects, with the conversions of the movie's SWF version.
//
// Scripts run to completion. Each frame has an action budget; a frame that
// spends it has its remaining scripts stopped (the movie plays on) and the
// first time it happens a warning is kept. Calls nest at most kMaxCallDepth
// deep, as Flash allows. What the objects hold is charged against a memory
// cap; a script that would pass it is stopped the same way.
//
// The VM never throws C++ exceptions: an ActionScript throw is a status that
// unwinds the interpreter's own frames.
#pragma once

#include "movie/avm1/value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ww::movie {
class Player;
struct SpriteState;
} // namespace ww::movie

namespace ww::movie::avm1 {

constexpr int kMaxCallDepth = 256;
constexpr uint64_t kDefaultActionBudget = 2000000;
constexpr uint64_t kScriptMemoryCap = 256ull << 20;
// Strings longer than this are cut: a doubling loop stops here, not at the cap.
constexpr size_t kMaxStringLength = 16u << 20;

struct VmOptions {
    uint8_t swfVersion = 6;
    // Milliseconds since 1970 that Date and getTimer start from; the host's
    // clock when negative.
    double clockMs = -1;
    uint32_t seed = 0;
    bool seeded = false;
    uint64_t actionBudget = kDefaultActionBudget;
    int maxCallDepth = kMaxCallDepth; // a movie's ScriptLimits may lower it
    std::function<void(const std::string&)> trace;
};

// A block of action records shared by the functions defined in it.
using ActionBlock = std::shared_ptr<const std::vector<uint8_t>>;

enum class Status : uint8_t { Normal, Return, Throw, Abort };

struct Activation;
struct LoadQueue; // loader.h

class Vm {
  public:
    Vm(Player* player, const VmOptions& options);
    ~Vm();
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    // Runs a block with clip (a clip object) as this, target and scope.
    void RunBlock(const ActionBlock& block, Object* clip);
    // Calls a method of clip by name when it is a function (onEnterFrame ...).
    void CallEvent(Object* clip, const std::string& name);
    void CallEvent(Object* clip, const std::string& name, const Args& args);
    void CallFunction(Object* fn, Object* self);
    // A new frame: the budget is full again, timers that fell due run.
    void BeginFrame(double frameMs);
    // Frees what no root reaches; roots are the globals, the clips the player
    // names and the timers.
    void Collect(const std::vector<Object*>& roots);
    // Warnings noted once each (a stopped script, a refused request).
    const std::vector<std::string>& warnings() const { return warnings_; }
    void Warn(const std::string& text);

    // Conversions with the movie's version rules.
    std::string ToString(const Value& v);
    double ToNumber(const Value& v);
    bool ToBoolean(const Value& v);
    Value ToPrimitive(const Value& v, bool stringHint = false, bool numberHint = false);
    Object* ToObject(const Value& v);
    std::string TypeOf(const Value& v);
    bool LooseEquals(const Value& a, const Value& b);
    bool StrictEquals(const Value& a, const Value& b);
    // a < b: true, false or undefined (NaN).
    Value LessThan(const Value& a, const Value& b);

    // Properties, through the prototype chain, getters and clips.
    Value Get(const Value& self, const std::string& name);
    Value GetOf(Object* o, const std::string& name) { return Get(Value::Obj(o), name); }
    void Set(Object* o, const std::string& name, const Value& v);
    // Sets an own property without setters or watchers, as builtins do.
    void Define(Object* o, const std::string& name, const Value& v, uint8_t flags = 0);
    bool Has(Object* o, const std::string& name);
    // Whether name resolves on o: own, inherited, a clip's property or child.
    bool HasAlongChain(Object* o, const std::string& name);
    bool Delete(Object* o, const std::string& name);
    Object* ProtoOf(Object* o);
    std::string Key(const std::string& name) const;
    // Whether ASSetPropFlags' version bits hide a property in this movie.
    bool VersionHidden(uint16_t mask) const;
    // Names for..in reports, most recent first, prototype chain included.
    std::vector<std::string> EnumerableNames(Object* o);

    Value Call(const Value& fn, const Value& self, const Args& args);
    Value CallMethod(const Value& self, const std::string& name, const Args& args);
    Value Construct(const Value& ctor, const Args& args);
    bool InstanceOf(Object* o, Object* ctor);
    bool InterfaceReaches(Object* iface, Object* target, Object* ctor, int* work);

    Object* MakeObject(Object* proto = nullptr);
    Object* MakeArray(std::vector<Value> values = {});
    Object* MakeFunction(NativeFn fn, NativeFn construct = nullptr, Object* proto = nullptr);
    Object* MakeClipObject(SpriteState* clip);
    void SetLength(Object* array, size_t length);

    // Throws v from inside a native function: the caller unwinds.
    void Throw(const Value& v);
    bool throwing() const { return status_ == Status::Throw || status_ == Status::Abort; }
    bool aborted() const { return status_ == Status::Abort; }
    bool Charge(uint64_t bytes);

    uint8_t version() const { return options_.swfVersion; }
    double NowMs();
    double TimerMs() { return NowMs() - startMs_; }
    double Random(); // [0, 1)
    void Trace(const std::string& line);
    Player* player() { return player_; }
    Heap& heap() { return heap_; }

    Object* global = nullptr;
    Object* objectProto = nullptr;
    Object* functionProto = nullptr;
    Object* arrayProto = nullptr;
    Object* stringProto = nullptr;
    Object* numberProto = nullptr;
    Object* booleanProto = nullptr;
    Object* dateProto = nullptr;
    Object* clipProto = nullptr;
    Object* errorProto = nullptr;
    Object* colorProto = nullptr;
    Object* arrayCtor = nullptr;
    Object* objectCtor = nullptr;
    Object* rootClip = nullptr;

    struct Timer {
        int id;
        Object* fn;
        Object* self;
        std::string method;
        std::vector<Value> args;
        double interval, due;
        bool repeat;
    };
    std::vector<Timer> timers;
    int nextTimerId = 1;
    // Files requested and not yet loaded (loader.h).
    std::shared_ptr<LoadQueue> loads;

    // home: the prototype the method was found on, for super.
    Value CallScript(Object* fn, const Value& self, const Args& args, Object* home);
    // The clip the running code's timeline actions act on; the root when
    // no script runs.
    Object* CurrentTarget() const;
    // The SWF version the running code follows; the movie's when none runs.
    uint8_t CodeVersion() const;

  private:
    void InstallBuiltins();
    void ReportUncaught();
    // The block a frame runs counts as the first level, as Flash counts.
    bool AtDepthLimit() const { return depth_ + 1 >= options_.maxCallDepth; }

    Player* player_;
    VmOptions options_;
    Heap heap_;
    Status status_ = Status::Normal;
    Value thrown_;
    int depth_ = 0;
    Object* callee_ = nullptr; // the script function running, for arguments.caller
    Activation* running_ = nullptr;
    std::vector<Value>* blockRegisters_ = nullptr; // the running block's four
    uint64_t actionsLeft_ = 0;
    bool budgetWarned_ = false;
    std::vector<std::string> warnings_;
    std::mt19937 random_;
    double startMs_ = 0;
    double frameMs_ = 0;
    friend Status Execute(Vm& vm, const ScriptCode& code, Activation& act, Value* result);
    friend struct Interpreter;
};

// Installs Object, Function, Array, String, Number, Boolean, Math, Date and
// the global functions on vm.global.
void InstallCoreBuiltins(Vm& vm);
// MovieClip and the player's objects (Key, Mouse, Stage, Color ...).
void InstallClipBuiltins(Vm& vm);

// Reads one argument as an index or count: NaN 0, the rest truncated.
double ArgInteger(Vm& vm, const Args& args, size_t i, double fallback);

} // namespace ww::movie::avm1
