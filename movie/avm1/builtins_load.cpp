// LoadVars, loadVariables and the load methods of XML, loadMovie and
// MovieClipLoader: requests for files beside the movie, queued while a
// frame's scripts run and completed after.
#include "common/file.h"
#include "common/fs.h"
#include "common/package_format.h"
#include "common/path.h"
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"
#include "movie/avm1/loader.h"
#include "movie/loaded_movie.h"
#include "movie/player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ww::movie::avm1 {

// What a request does with the file once read.
enum class LoadKind : uint8_t {
    Data,      // an XML or LoadVars object: its onData gets the text
    Variables, // a clip: the form's variables are set on it
    Clip,      // a movie or picture for a clip; an empty url unloads it
};

struct LoadRequest {
    LoadKind kind;
    Object* target; // null for a level that is not there yet
    std::string url;
    Object* loader = nullptr; // Clip: a MovieClipLoader, whose listeners hear how it went
    int level = 0;            // Clip: a level above 0 to load into or unload
};

struct LoadQueue {
    std::string folder;
    std::vector<LoadRequest> pending;
    // Clips whose loaded first frame has run: their loaders say onLoadInit.
    std::vector<LoadRequest> inits;
};

namespace {

LoadQueue& QueueOf(Vm& vm) {
    if (!vm.loads)
        vm.loads = std::make_shared<LoadQueue>();
    return *vm.loads;
}

// Reads a resolved file of the folder; false with the reason.
bool ReadBeside(Vm& vm, const std::string& folder, const std::string& path, std::string* bytes,
                std::string* why) {
    // A link inside the folder could lead anywhere: none is followed.
    std::string full = WithTrailingSeparator(folder);
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        full += path.substr(start, end - start);
        if (IsLink(full)) {
            *why = "it leads through a link";
            return false;
        }
        if (end < path.size())
            full += '/';
        start = end + 1;
    }
    if (!IsRegularFile(full)) {
        *why = IsExistingFolder(full) ? "it is a folder" : "it cannot be found";
        return false;
    }
    File f;
    const int64_t size = f.Open(full, "rb") ? f.Size() : -1;
    if (size < 0) {
        *why = "it cannot be read";
        return false;
    }
    if (static_cast<uint64_t>(size) > kMaxLoadBytes) {
        *why = "it is larger than " + std::to_string(kMaxLoadBytes >> 20) + " MiB";
        return false;
    }
    // What the file brings must fit in what scripts may still hold.
    if (static_cast<uint64_t>(size) >
        kScriptMemoryCap - std::min(kScriptMemoryCap, vm.heap().bytes())) {
        *why = "the movie's memory is full";
        return false;
    }
    bytes->resize(static_cast<size_t>(size));
    bytes->resize(size ? f.Read(&(*bytes)[0], bytes->size()) : 0);
    return true;
}

// Bytes in the Windows Western code page as UTF-8.
std::string FromCodePage(const std::string& bytes) {
    // 0x80 to 0x9F; the five the code page leaves unset keep their value.
    static const uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        const uint32_t cp = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// The text of a loaded file: movies before version 6 (and those that ask
// with System.useCodepage) read it in the system's code page; the others read
// UTF-8, without its byte order mark.
std::string FileText(Vm& vm, std::string bytes) {
    bool codePage = vm.version() < 6;
    const Value system = vm.GetOf(vm.global, "System");
    if (system.type == Type::Object)
        codePage = codePage || vm.ToBoolean(vm.GetOf(system.o, "useCodepage"));
    if (codePage)
        return FromCodePage(bytes);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    return bytes;
}

// A clip or a text field still on the display list: variables go there.
bool IsDisplayed(Object* o) {
    return o->clip || o->instance;
}

void Broadcast(Vm& vm, const LoadRequest& r, const char* event, std::vector<Value> extra = {}) {
    if (!r.loader)
        return;
    extra.insert(extra.begin(), Value::Obj(r.target));
    extra.insert(extra.begin(), Value::Str(event));
    vm.CallMethod(Value::Obj(r.loader), "broadcastMessage", Args{extra.data(), extra.size()});
}

// A movie or picture read for a clip takes the clip's place in the display
// list; the loader hears of it as Flash tells of a load from a local file.
void CompleteClip(Vm& vm, LoadRequest r, bool ok, const std::vector<uint8_t>& bytes) {
    ScriptHost& host = ScriptHost::Of(vm);
    if (r.level > 0 && r.url.empty()) {
        host.RemoveLevel(r.level);
        return;
    }
    if (r.level == 0 && !r.target->clip)
        return;
    if (r.url.empty()) {
        host.ReplaceContent(*r.target->clip, nullptr, std::string());
        return;
    }
    if (!ok) {
        Broadcast(vm, r, "onLoadError", {Value::Str("URLNotFound"), Value::Num(0)});
        return;
    }
    size_t count = 0;
    const uint64_t used = host.LoadedMemory(&count) + host.player().movie().memoryUsed;
    auto movie = std::make_shared<Movie>();
    LoadedKind kind = LoadedKind::Nothing;
    std::string why;
    if (count >= kMaxLoadedMovies) {
        why = "more than " + std::to_string(kMaxLoadedMovies) + " movies are loaded at once";
        ok = false;
    } else {
        ok = MakeLoadedMovie(bytes, kMovieMemoryCap - std::min(kMovieMemoryCap, used), movie.get(),
                             &kind, &why);
    }
    if (!ok) {
        vm.Warn("refused to show \"" + r.url + "\": " + why);
        Broadcast(vm, r, "onLoadError", {Value::Str("LoadNeverCompleted"), Value::Num(0)});
        return;
    }
    movie->folder = host.player().movie().folder;
    const Value size = Value::Num(static_cast<double>(movie->fileLength));
    // A level comes to be when a movie arrives for it.
    if (r.level > 0)
        r.target = host.ObjectOf(*host.Level(r.level, true));
    SpriteState* s = r.target->clip;
    // The clip is emptied as the load starts: what the handlers set on it
    // stays with the content that arrives.
    host.ReplaceContent(*s, nullptr, std::string());
    Broadcast(vm, r, "onLoadStart");
    Broadcast(vm, r, "onLoadProgress", {size, size});
    Broadcast(vm, r, "onLoadComplete", {Value::Num(0)});
    // A handler may have removed the clip or loaded it elsewhere.
    if (!r.target->clip)
        return;
    host.ReplaceContent(*r.target->clip, std::move(movie), r.url, true);
    // A query after the file's name sets variables of the loaded movie
    // before its first frame runs, as a page's parameters do.
    const size_t query = r.url.find('?');
    if (query != std::string::npos) {
        const size_t end = std::min(r.url.find('#', query), r.url.size());
        DecodeVariables(vm, r.target, r.url.substr(query + 1, end - query - 1));
    }
    if (r.loader)
        QueueOf(vm).inits.push_back(r);
}

void Complete(Vm& vm, const LoadRequest& r, bool ok, const std::string& text) {
    if (r.kind == LoadKind::Data) {
        if (ok) {
            vm.Define(r.target, "_bytesLoaded", Value::Num(static_cast<double>(text.size())),
                      kDontEnum | kDontDelete);
            vm.Define(r.target, "_bytesTotal", Value::Num(static_cast<double>(text.size())),
                      kDontEnum | kDontDelete);
        }
        // A file has no HTTP status: Flash answers 0 when there is none.
        const Value status = Value::Num(0);
        vm.CallMethod(Value::Obj(r.target), "onHTTPStatus", Args{&status, 1});
        Value arg = ok ? Value::Str(text) : Value::Undefined();
        vm.CallMethod(Value::Obj(r.target), "onData", Args{&arg, 1});
        return;
    }
    if (!ok || !IsDisplayed(r.target))
        return;
    DecodeVariables(vm, r.target, text);
    // The clip's data event, as placed on the timeline, then its method.
    if (r.target->clip && r.target->clip->clipActions) {
        for (const ClipAction& a : *r.target->clip->clipActions) {
            if (a.events & kEventData)
                vm.RunBlock(a.actions, r.target);
        }
    }
    vm.CallEvent(r.target, "onData");
}

bool Request(Vm& vm, LoadKind kind, Object* target, const std::string& url,
             Object* loader = nullptr, int level = 0) {
    LoadQueue& q = QueueOf(vm);
    if (!target && level <= 0)
        return false;
    if (q.pending.size() >= kMaxPendingLoads) {
        vm.Warn("a movie asked for more than " + std::to_string(kMaxPendingLoads) +
                " loads at once; the rest were refused");
        return false;
    }
    q.pending.push_back(LoadRequest{kind, target, url, loader, level});
    if (kind == LoadKind::Data)
        vm.Define(target, "_bytesLoaded", Value::Num(0), kDontEnum | kDontDelete);
    return true;
}

// Form encoding of one name or value, as escape() writes it.
void AppendEscaped(const std::string& s, std::string* out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : s) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            *out += static_cast<char>(c);
        } else {
            *out += '%';
            *out += kHex[c >> 4];
            *out += kHex[c & 15];
        }
    }
}

// LoadVars and XML ----------------------------------------------------------

Value LoadMethod(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o || args.size() == 0)
        return Value::Bool(false);
    vm.Set(o, "loaded", Value::Bool(false));
    Request(vm, LoadKind::Data, o, vm.ToString(args[0]));
    return Value::Bool(true);
}

// sendAndLoad(url, target): what comes back goes to target; nothing is sent.
Value SendAndLoad(Vm& vm, Value, const Args& args) {
    Object* target = args[1].type == Type::Object ? args[1].o : nullptr;
    if (!target)
        return Value::Bool(false);
    vm.Set(target, "loaded", Value::Bool(false));
    Request(vm, LoadKind::Data, target, vm.ToString(args[0]));
    return Value::Bool(true);
}

Value Send(Vm& vm, Value, const Args& args) {
    vm.Warn("refused to send to \"" + vm.ToString(args[0]) + "\": a wallpaper sends nothing");
    return Value::Bool(false);
}

Value Nothing(Vm&, Value, const Args&) {
    return Value::Undefined();
}

Value BytesLoaded(Vm& vm, Value self, const Args&) {
    Object* o = SelfObject(self);
    return o ? vm.GetOf(o, "_bytesLoaded") : Value::Undefined();
}

Value BytesTotal(Vm& vm, Value self, const Args&) {
    Object* o = SelfObject(self);
    return o ? vm.GetOf(o, "_bytesTotal") : Value::Undefined();
}

// onData's default: a failed load is onLoad(false), text is parsed first.
Value OnDataWith(Vm& vm, Value self, const Args& args, const char* parse) {
    Value result = Value::Bool(!args[0].IsUndefined());
    if (args[0].IsUndefined()) {
        vm.CallMethod(self, "onLoad", Args{&result, 1});
        return Value::Undefined();
    }
    vm.CallMethod(self, parse, Args{&args[0], 1});
    if (Object* o = SelfObject(self))
        vm.Set(o, "loaded", Value::Bool(true));
    vm.CallMethod(self, "onLoad", Args{&result, 1});
    return Value::Undefined();
}

Value XmlOnData(Vm& vm, Value self, const Args& args) {
    return OnDataWith(vm, self, args, "parseXML");
}

Value VarsOnData(Vm& vm, Value self, const Args& args) {
    return OnDataWith(vm, self, args, "decode");
}

Value VarsDecode(Vm& vm, Value self, const Args& args) {
    if (Object* o = SelfObject(self))
        DecodeVariables(vm, o, vm.ToString(args[0]));
    return Value::Undefined();
}

Value VarsToString(Vm& vm, Value self, const Args&) {
    Object* o = SelfObject(self);
    if (!o)
        return Value::Str("");
    std::string out;
    for (const std::string& name : vm.EnumerableNames(o)) {
        const std::string value = vm.ToString(vm.GetOf(o, name));
        if (vm.throwing())
            return Value::Undefined();
        if (!out.empty())
            out += '&';
        AppendEscaped(name, &out);
        out += '=';
        AppendEscaped(value, &out);
        if (out.size() > kMaxStringLength)
            break;
    }
    return Value::Str(out);
}

Value VarsInit(Vm&, Value, const Args&) {
    return Value::Undefined();
}

// loadVariables ---------------------------------------------------------------

Object* ClipTarget(Vm& vm, Value self, const Value& target) {
    if (target.type == Type::Object)
        return IsDisplayed(target.o) ? target.o : nullptr;
    Object* from = SelfObject(self);
    if (!from || from->kind != ObjectKind::Clip)
        from = vm.rootClip;
    if (!from)
        return nullptr;
    Object* o = ResolveClipPath(vm, from, vm.ToString(target));
    return o && IsDisplayed(o) ? o : nullptr;
}

Value ClipLoadVariables(Vm& vm, Value self, const Args& args) {
    Object* clip = SelfObject(self);
    if (clip && clip->kind == ObjectKind::Clip)
        Request(vm, LoadKind::Variables, clip, vm.ToString(args[0]));
    return Value::Undefined();
}

Value GlobalLoadVariables(Vm& vm, Value self, const Args& args) {
    if (Object* clip = ClipTarget(vm, self, args[1]))
        Request(vm, LoadKind::Variables, clip, vm.ToString(args[0]));
    return Value::Undefined();
}

Value GlobalLoadVariablesNum(Vm& vm, Value, const Args& args) {
    const double level = vm.ToNumber(args[1]);
    // Only the movie's own level is there to take the variables.
    if (level == 0)
        Request(vm, LoadKind::Variables, vm.rootClip, vm.ToString(args[0]));
    else
        vm.Warn("refused to load \"" + vm.ToString(args[0]) + "\" into a level with no movie");
    return Value::Undefined();
}

// loadMovie ------------------------------------------------------------------

// "_level0" and the like: the level's number, or -1 for another path.
int LevelOf(const std::string& path) {
    if (path.size() < 7 || path.compare(0, 6, "_level") != 0)
        return -1;
    int level = 0;
    for (size_t i = 6; i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9' || level > 0xFFFF)
            return -1;
        level = level * 10 + (path[i] - '0');
    }
    return level;
}

// A movie or picture for a clip (empty: the clip is emptied), once the
// frame's scripts have run.
void LoadIntoClip(Vm& vm, Object* clip, const std::string& url, Object* loader = nullptr) {
    if (!clip || !clip->clip)
        return;
    std::string path, why;
    if (!url.empty() && !ResolveBesideMovie(url, &path, &why) && !loader) {
        vm.Warn("refused to load \"" + url + "\": " + why);
        return;
    }
    Request(vm, LoadKind::Clip, clip, url, loader);
}

// The same for a level: level 0 is the movie's own main timeline, the
// others are made by the movie that arrives and go when it is unloaded.
bool LoadIntoLevel(Vm& vm, double level, const std::string& url, Object* loader = nullptr) {
    if (!std::isfinite(level) || level < 0 || level > kMaxLevel) {
        vm.Warn("refused to load \"" + url + "\" into a level that cannot be");
        return false;
    }
    const int n = static_cast<int>(level);
    if (n == 0) {
        LoadIntoClip(vm, vm.rootClip, url, loader);
        return true;
    }
    std::string path, why;
    if (!url.empty() && !ResolveBesideMovie(url, &path, &why) && !loader) {
        vm.Warn("refused to load \"" + url + "\": " + why);
        return true;
    }
    return Request(vm, LoadKind::Clip, nullptr, url, loader, n);
}

// clip.loadMovie(url, method): nothing is sent, so the method is no matter.
Value ClipLoadMovie(Vm& vm, Value self, const Args& args) {
    Object* clip = SelfObject(self);
    if (clip && clip->kind == ObjectKind::Clip)
        LoadIntoClip(vm, clip, vm.ToString(args[0]));
    return Value::Undefined();
}

Value GlobalLoadMovie(Vm& vm, Value self, const Args& args) {
    const std::string url = vm.ToString(args[0]);
    const std::string path = args[1].type == Type::Object ? "" : vm.ToString(args[1]);
    if (LevelOf(path) >= 0)
        LoadIntoLevel(vm, LevelOf(path), url);
    else
        LoadIntoClip(vm, ClipTarget(vm, self, args[1]), url);
    return Value::Undefined();
}

Value LoadMovieNum(Vm& vm, Value, const Args& args) {
    LoadIntoLevel(vm, std::floor(vm.ToNumber(args[1])), vm.ToString(args[0]));
    return Value::Undefined();
}

Value ClipUnloadMovie(Vm& vm, Value self, const Args&) {
    Object* clip = SelfObject(self);
    if (clip && clip->kind == ObjectKind::Clip)
        LoadIntoClip(vm, clip, std::string());
    return Value::Undefined();
}

Value GlobalUnloadMovie(Vm& vm, Value self, const Args& args) {
    LoadIntoClip(vm, ClipTarget(vm, self, args[0]), std::string());
    return Value::Undefined();
}

Value UnloadMovieNum(Vm& vm, Value, const Args& args) {
    LoadIntoLevel(vm, std::floor(vm.ToNumber(args[0])), std::string());
    return Value::Undefined();
}

// The movie a clip's timeline comes from: the one loaded into it or into a
// clip around it, or the main movie.
const Movie* ClipMovie(Vm& vm, Value self) {
    Object* o = SelfObject(self);
    if (!o || o->kind != ObjectKind::Clip || !o->clip)
        return nullptr;
    return &ScriptHost::Of(vm).player().MovieOf(*o->clip);
}

Value ClipBytes(Vm& vm, Value self, const Args&) {
    const Movie* movie = ClipMovie(vm, self);
    return movie ? Value::Num(static_cast<double>(movie->fileLength)) : Value::Undefined();
}

// A picture's movie has no version: Flash answers -1 for one.
Value ClipSwfVersion(Vm& vm, Value self, const Args&) {
    const Movie* movie = ClipMovie(vm, self);
    if (!movie)
        return Value::Undefined();
    return Value::Num(movie->version ? movie->version : -1);
}

// MovieClipLoader ------------------------------------------------------------

// A loader is a broadcaster that hears its own events first.
Value LoaderInit(Vm& vm, Value self, const Args&) {
    Object* o = SelfObject(self);
    if (!o)
        return Value::Undefined();
    const Value broadcaster = vm.GetOf(vm.global, "AsBroadcaster");
    vm.CallMethod(broadcaster, "initialize", Args{&self, 1});
    vm.CallMethod(self, "addListener", Args{&self, 1});
    return Value::Undefined();
}

// loadClip(url, target): target a clip, a clip's path or a level number.
Value LoadClip(Vm& vm, Value self, const Args& args) {
    Object* loader = SelfObject(self);
    if (!loader || args.size() < 2)
        return Value::Undefined();
    if (args[0].type != Type::String)
        return Value::Bool(false);
    Object* target = nullptr;
    if (args[1].type == Type::Number)
        return Value::Bool(LoadIntoLevel(vm, std::floor(args[1].n), args[0].s, loader));
    if (args[1].type == Type::String ||
        (args[1].type == Type::Object && args[1].o->kind == ObjectKind::Clip)) {
        target = ClipTarget(vm, self, args[1]);
    }
    if (!target || !target->clip)
        return Value::Bool(false);
    return Value::Bool(Request(vm, LoadKind::Clip, target, args[0].s, loader));
}

Value UnloadClip(Vm& vm, Value self, const Args& args) {
    Object* target = args.size() ? ClipTarget(vm, self, args[0]) : nullptr;
    if (!target || !target->clip)
        return Value::Bool(false);
    LoadIntoClip(vm, target, std::string());
    return Value::Bool(true);
}

// { bytesLoaded, bytesTotal } of a clip: nothing loaded into it is counted.
Value GetProgress(Vm& vm, Value self, const Args& args) {
    Object* target = args.size() ? ClipTarget(vm, self, args[0]) : nullptr;
    if (!target || !target->clip)
        return Value::Undefined();
    Object* progress = vm.MakeObject(vm.objectProto);
    const Value loaded = vm.CallMethod(Value::Obj(target), "getBytesLoaded", Args{});
    const Value total = vm.CallMethod(Value::Obj(target), "getBytesTotal", Args{});
    vm.Set(progress, "bytesLoaded", loaded);
    vm.Set(progress, "bytesTotal", total);
    return Value::Obj(progress);
}

} // namespace

bool LoadFromAction(Vm& vm, Object* from, const std::string& url, const Value& target,
                    uint8_t flags) {
    constexpr uint8_t kLoadVariables = 0x80, kLoadTarget = 0x40;
    const std::string path = target.type == Type::Object ? std::string() : vm.ToString(target);
    const bool toLevel = path.rfind("_level", 0) == 0;
    if (!(flags & kLoadVariables)) {
        if (!(flags & kLoadTarget) && !toLevel)
            return false; // a page
        if (LevelOf(path) >= 0)
            LoadIntoLevel(vm, LevelOf(path), url);
        else
            LoadIntoClip(vm, ClipTarget(vm, from ? Value::Obj(from) : Value::Undefined(), target),
                         url);
        return true;
    }
    const Value self = from ? Value::Obj(from) : Value::Undefined();
    if (toLevel) {
        const Value args[2] = {Value::Str(url), Value::Num(StringToNumber(path.substr(6)))};
        GlobalLoadVariablesNum(vm, self, Args{args, 2});
        return true;
    }
    const Value args[2] = {Value::Str(url), target};
    GlobalLoadVariables(vm, self, Args{args, 2});
    return true;
}

void SetLoadFolder(Vm& vm, const std::string& folder) {
    QueueOf(vm).folder = folder;
}

void LoadRoots(Vm& vm, std::vector<Object*>* roots) {
    if (!vm.loads)
        return;
    for (const auto* list : {&vm.loads->pending, &vm.loads->inits}) {
        for (const LoadRequest& r : *list) {
            if (r.target)
                roots->push_back(r.target);
            if (r.loader)
                roots->push_back(r.loader);
        }
    }
}

bool RunLoadInits(Vm& vm) {
    if (!vm.loads || vm.loads->inits.empty())
        return false;
    std::vector<LoadRequest> ready;
    ready.swap(vm.loads->inits);
    // Clips step the newest first, and so their loaders hear of them.
    for (auto it = ready.rbegin(); it != ready.rend() && !vm.aborted(); ++it) {
        if (it->target && it->target->clip)
            Broadcast(vm, *it, "onLoadInit");
    }
    return true;
}

bool RunLoads(Vm& vm) {
    if (!vm.loads || vm.loads->pending.empty())
        return false;
    std::vector<LoadRequest> ready;
    ready.swap(vm.loads->pending);
    const std::string folder = vm.loads->folder;
    for (size_t i = 0; i < ready.size(); ++i) {
        if (vm.aborted()) {
            // The frame's scripts were stopped: the rest wait for the next.
            auto& pending = vm.loads->pending;
            pending.insert(pending.begin(), ready.begin() + static_cast<std::ptrdiff_t>(i),
                           ready.end());
            break;
        }
        const LoadRequest& r = ready[i];
        std::string path, why, bytes;
        bool ok = ResolveBesideMovie(r.url, &path, &why);
        if (ok && folder.empty()) {
            why = "the movie's folder is not known";
            ok = false;
        }
        if (r.kind == LoadKind::Clip && r.url.empty()) {
            CompleteClip(vm, r, true, {});
            continue;
        }
        ok = ok && ReadBeside(vm, folder, path, &bytes, &why);
        if (!ok)
            vm.Warn("refused to load \"" + r.url + "\": " + why);
        if (r.kind == LoadKind::Clip)
            CompleteClip(vm, r, ok, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        else
            Complete(vm, r, ok, ok ? FileText(vm, std::move(bytes)) : std::string());
    }
    return true;
}

bool ResolveBesideMovie(const std::string& url, std::string* path, std::string* why) {
    const std::string plain = Unpercent(url.substr(0, url.find_first_of("?#")), false);
    if (plain.empty()) {
        *why = "it names no file";
        return false;
    }
    if (plain.find(':') != std::string::npos) {
        *why = "only files beside the movie are loaded, never an address or a drive";
        return false;
    }
    if (plain[0] == '/' || plain[0] == '\\') {
        *why = "only files beside the movie are loaded, never an absolute path";
        return false;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= plain.size()) {
        size_t end = plain.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = plain.size();
        const std::string part = plain.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty()) {
                *why = "it leads outside the movie's folder";
                return false;
            }
            parts.pop_back();
            continue;
        }
        for (unsigned char c : part) {
            if (c < 0x20 || c == 0x7F) {
                *why = "its name holds a control character";
                return false;
            }
        }
        if (IsDeviceName(part)) {
            *why = "it names a device";
            return false;
        }
        parts.push_back(part);
    }
    if (parts.empty()) {
        *why = "it names no file";
        return false;
    }
    path->clear();
    for (const std::string& part : parts) {
        if (!path->empty())
            *path += '/';
        *path += part;
    }
    return true;
}

void DecodeVariables(Vm& vm, Object* o, const std::string& form) {
    size_t start = 0;
    while (start < form.size() && !vm.throwing()) {
        size_t end = form.find('&', start);
        if (end == std::string::npos)
            end = form.size();
        const std::string pair = form.substr(start, end - start);
        start = end + 1;
        const size_t eq = pair.find('=');
        if (pair.empty())
            continue;
        const std::string name = Unpercent(pair.substr(0, eq), true);
        const std::string value =
            eq == std::string::npos ? "" : Unpercent(pair.substr(eq + 1), true);
        vm.Set(o, name, Value::Str(value));
    }
}

void InstallLoadBuiltins(Vm& vm) {
    QueueOf(vm);
    InstallXmlBuiltins(vm);
    Value xml = vm.GetOf(vm.global, "XML");
    Object* xmlProto = xml.type == Type::Object ? vm.GetOf(xml.o, "prototype").o : nullptr;
    if (xmlProto) {
        Method(vm, xmlProto, "load", LoadMethod);
        Method(vm, xmlProto, "sendAndLoad", SendAndLoad);
        Method(vm, xmlProto, "send", Send);
        Method(vm, xmlProto, "onData", XmlOnData);
        Method(vm, xmlProto, "onLoad", Nothing);
        Method(vm, xmlProto, "addRequestHeader", Nothing);
        Method(vm, xmlProto, "getBytesLoaded", BytesLoaded);
        Method(vm, xmlProto, "getBytesTotal", BytesTotal);
    }

    Object* varsProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "LoadVars", VarsInit, VarsInit, varsProto);
    const struct {
        const char* name;
        NativeFn fn;
    } kVarsMethods[] = {{"load", LoadMethod},
                        {"sendAndLoad", SendAndLoad},
                        {"send", Send},
                        {"decode", VarsDecode},
                        {"toString", VarsToString},
                        {"onData", VarsOnData},
                        {"onLoad", Nothing},
                        {"addRequestHeader", Nothing},
                        {"getBytesLoaded", BytesLoaded},
                        {"getBytesTotal", BytesTotal}};
    for (const auto& m : kVarsMethods)
        Method(vm, varsProto, m.name, m.fn);
    vm.Define(varsProto, "contentType", Value::Str("application/x-www-form-urlencoded"), kDontEnum);

    Object* loaderProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "MovieClipLoader", LoaderInit, LoaderInit, loaderProto);
    Method(vm, loaderProto, "loadClip", LoadClip);
    Method(vm, loaderProto, "unloadClip", UnloadClip);
    Method(vm, loaderProto, "getProgress", GetProgress);

    Method(vm, vm.clipProto, "loadVariables", ClipLoadVariables);
    Method(vm, vm.clipProto, "loadMovie", ClipLoadMovie);
    Method(vm, vm.clipProto, "unloadMovie", ClipUnloadMovie);
    Method(vm, vm.clipProto, "getBytesLoaded", ClipBytes);
    Method(vm, vm.clipProto, "getBytesTotal", ClipBytes);
    Method(vm, vm.clipProto, "getSWFVersion", ClipSwfVersion);
    Method(vm, vm.global, "loadMovie", GlobalLoadMovie);
    Method(vm, vm.global, "loadMovieNum", LoadMovieNum);
    Method(vm, vm.global, "unloadMovie", GlobalUnloadMovie);
    Method(vm, vm.global, "unloadMovieNum", UnloadMovieNum);
    Method(vm, vm.global, "loadVariables", GlobalLoadVariables);
    Method(vm, vm.global, "loadVariablesNum", GlobalLoadVariablesNum);
}

} // namespace ww::movie::avm1
