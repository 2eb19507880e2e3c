// Array and its methods, sort and sortOn with Flash's option bits.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr uint32_t kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8,
                   kNumeric = 16;

Object* ArrayOf(const Value& self) {
    return self.type == Type::Object && self.o->kind == ObjectKind::Array ? self.o : nullptr;
}

Value ArrayCtor(Vm& vm, Value, const Args& args);

Value ArrayConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = self.o;
    o->kind = ObjectKind::Array;
    if (args.size() == 1 && args[0].type == Type::Number) {
        const double n = args[0].n;
        if (n >= 0 && n == std::floor(n))
            vm.SetLength(o, static_cast<size_t>(n));
        return self;
    }
    vm.SetLength(o, args.size());
    for (size_t i = 0; i < args.size() && i < o->elements.size(); ++i)
        o->elements[i] = args[i];
    return self;
}

Value ArrayCtor(Vm& vm, Value, const Args& args) {
    return vm.Construct(Value::Obj(vm.arrayCtor), args);
}

std::string Join(Vm& vm, Object* a, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < a->elements.size(); ++i) {
        if (i)
            out += sep;
        out += vm.ToString(a->elements[i]);
        if (out.size() > kMaxStringLength || vm.throwing())
            break;
    }
    return out;
}

Value ArrayJoin(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    const std::string sep = args.size() && !args[0].IsUndefined() ? vm.ToString(args[0]) : ",";
    return Value::Str(Join(vm, a, sep));
}

Value ArrayToString(Vm& vm, Value self, const Args&) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Str("[object Object]");
    return Value::Str(Join(vm, a, ","));
}

Value ArrayPush(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    const size_t at = a->elements.size();
    vm.SetLength(a, at + args.size());
    for (size_t i = 0; i < args.size() && at + i < a->elements.size(); ++i)
        a->elements[at + i] = args[i];
    return Value::Num(static_cast<double>(a->elements.size()));
}

Value ArrayPop(Vm&, Value self, const Args&) {
    Object* a = ArrayOf(self);
    if (!a || a->elements.empty())
        return Value::Undefined();
    Value v = Present(a->elements.back());
    a->elements.pop_back();
    return v;
}

Value ArrayShift(Vm&, Value self, const Args&) {
    Object* a = ArrayOf(self);
    if (!a || a->elements.empty())
        return Value::Undefined();
    Value v = Present(a->elements.front());
    a->elements.erase(a->elements.begin());
    FillHoles(a->elements);
    return v;
}

Value ArrayUnshift(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    if (!vm.Charge(args.size() * sizeof(Value)))
        return Value::Undefined();
    a->elements.insert(a->elements.begin(), args.values, args.values + args.size());
    FillHoles(a->elements);
    return Value::Num(static_cast<double>(a->elements.size()));
}

// A relative index (negative from the end) clamped to [0, length].
size_t Clamp(double i, size_t length) {
    if (std::isnan(i))
        return 0;
    if (i < 0)
        i = std::max(0.0, static_cast<double>(length) + i);
    return static_cast<size_t>(std::min(i, static_cast<double>(length)));
}

Value ArraySlice(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    const size_t n = a->elements.size();
    const size_t start = Clamp(ArgInteger(vm, args, 0, 0), n);
    const size_t end = Clamp(ArgInteger(vm, args, 1, static_cast<double>(n)), n);
    std::vector<Value> out;
    if (end > start)
        out.assign(a->elements.begin() + static_cast<ptrdiff_t>(start),
                   a->elements.begin() + static_cast<ptrdiff_t>(end));
    FillHoles(out);
    return Value::Obj(vm.MakeArray(std::move(out)));
}

Value ArraySplice(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a || args.size() == 0 || args[0].IsUndefined() ||
        (args.size() > 1 && args[1].IsUndefined()))
        return Value::Undefined();
    const size_t n = a->elements.size();
    const size_t start = Clamp(ArgInteger(vm, args, 0, 0), n);
    double countArg = args.size() > 1 ? ArgInteger(vm, args, 1, 0) : static_cast<double>(n - start);
    if (countArg < 0)
        return Value::Undefined();
    const size_t count = std::min(static_cast<size_t>(std::min(countArg, 4294967295.0)), n - start);
    std::vector<Value> removed(a->elements.begin() + static_cast<ptrdiff_t>(start),
                               a->elements.begin() + static_cast<ptrdiff_t>(start + count));
    a->elements.erase(a->elements.begin() + static_cast<ptrdiff_t>(start),
                      a->elements.begin() + static_cast<ptrdiff_t>(start + count));
    if (args.size() > 2 && vm.Charge((args.size() - 2) * sizeof(Value)))
        a->elements.insert(a->elements.begin() + static_cast<ptrdiff_t>(start), args.values + 2,
                           args.values + args.size());
    FillHoles(a->elements);
    FillHoles(removed);
    return Value::Obj(vm.MakeArray(std::move(removed)));
}

Value ArrayConcat(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    std::vector<Value> out = a->elements;
    for (size_t i = 0; i < args.size(); ++i) {
        Object* other = ArrayOf(args[i]);
        if (other)
            out.insert(out.end(), other->elements.begin(), other->elements.end());
        else
            out.push_back(args[i]);
    }
    if (!vm.Charge(out.size() * sizeof(Value)))
        return Value::Undefined();
    FillHoles(out);
    return Value::Obj(vm.MakeArray(std::move(out)));
}

Value ArrayReverse(Vm&, Value self, const Args&) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    std::reverse(a->elements.begin(), a->elements.end());
    FillHoles(a->elements);
    return self;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Compares by the option bits: -1, 0 or 1.
int CompareByOptions(Vm& vm, const Value& x, const Value& y, uint32_t options) {
    if (options & kNumeric) {
        const double a = vm.ToNumber(x), b = vm.ToNumber(y);
        if (x.type == Type::Number && y.type == Type::Number) {
            if (a < b)
                return -1;
            return a > b ? 1 : 0;
        }
    }
    std::string a = vm.ToString(x), b = vm.ToString(y);
    if (options & kCaseInsensitive) {
        a = Lower(a);
        b = Lower(b);
    }
    if (options & kNumeric) {
        const double na = StringToNumber(a), nb = StringToNumber(b);
        if (!std::isnan(na) && !std::isnan(nb))
            return na < nb ? -1 : na > nb ? 1 : 0;
    }
    return a < b ? -1 : a > b ? 1 : 0;
}

struct SortKey {
    Value value;
    size_t index;
};

// A merge sort of our own: a script's comparison need not be consistent, and
// a sort must still stay inside its array whatever it answers.
template <typename Less> void MergeSort(std::vector<SortKey>& keys, Less less) {
    std::vector<SortKey> scratch(keys.size());
    for (size_t width = 1; width < keys.size(); width *= 2) {
        for (size_t lo = 0; lo < keys.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, keys.size());
            const size_t hi = std::min(lo + 2 * width, keys.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                scratch[k++] = less(keys[j], keys[i]) ? keys[j++] : keys[i++];
            while (i < mid)
                scratch[k++] = keys[i++];
            while (j < hi)
                scratch[k++] = keys[j++];
        }
        keys.swap(scratch);
    }
}

// Sorts values by compare; answers false when UNIQUESORT finds equal ones.
template <typename Compare>
bool SortKeys(std::vector<SortKey>& keys, uint32_t options, Compare compare) {
    bool equal = false;
    MergeSort(keys, [&](const SortKey& a, const SortKey& b) {
        int c = compare(a.value, b.value);
        if (c == 0)
            equal = true;
        if (options & kDescending)
            c = -c;
        return c < 0;
    });
    return !(equal && (options & kUniqueSort));
}

Value FinishSort(Vm& vm, Object* a, std::vector<SortKey>& keys, uint32_t options, bool ok) {
    if (!ok)
        return Value::Num(0);
    if (options & kReturnIndexedArray) {
        std::vector<Value> order;
        for (const SortKey& k : keys)
            order.push_back(Value::Num(static_cast<double>(k.index)));
        return Value::Obj(vm.MakeArray(std::move(order)));
    }
    for (size_t i = 0; i < keys.size() && i < a->elements.size(); ++i)
        a->elements[i] = keys[i].value;
    FillHoles(a->elements);
    return Value::Obj(a);
}

Value ArraySort(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a)
        return Value::Undefined();
    Value compareFn;
    uint32_t options = 0;
    size_t next = 0;
    if (args.size() > 0 && args[0].type == Type::Object && args[0].o->IsFunction()) {
        compareFn = args[0];
        next = 1;
    }
    if (args.size() > next)
        options = ToUint32(vm.ToNumber(args[next]));
    std::vector<SortKey> keys;
    for (size_t i = 0; i < a->elements.size(); ++i)
        keys.push_back({a->elements[i], i});
    bool ok;
    if (compareFn.type == Type::Object) {
        ok = SortKeys(keys, options, [&](const Value& x, const Value& y) {
            if (vm.throwing())
                return 0;
            Value pair[2] = {x, y};
            const double r = vm.ToNumber(vm.Call(compareFn, Value::Undefined(), Args{pair, 2}));
            return r < 0 ? -1 : r > 0 ? 1 : 0;
        });
    } else {
        ok = SortKeys(keys, options, [&](const Value& x, const Value& y) {
            return CompareByOptions(vm, x, y, options);
        });
    }
    return FinishSort(vm, a, keys, options, ok);
}

Value ArraySortOn(Vm& vm, Value self, const Args& args) {
    Object* a = ArrayOf(self);
    if (!a || args.size() == 0)
        return self;
    std::vector<std::string> fields;
    std::vector<uint32_t> fieldOptions;
    if (Object* list = ArrayOf(args[0])) {
        for (const Value& v : list->elements)
            fields.push_back(vm.ToString(v));
    } else {
        fields.push_back(vm.ToString(args[0]));
    }
    uint32_t options = 0;
    if (Object* list = ArrayOf(args[1])) {
        for (const Value& v : list->elements)
            fieldOptions.push_back(ToUint32(vm.ToNumber(v)));
    } else if (args.size() > 1) {
        options = ToUint32(vm.ToNumber(args[1]));
    }
    std::vector<SortKey> keys;
    for (size_t i = 0; i < a->elements.size(); ++i)
        keys.push_back({a->elements[i], i});
    bool equal = false;
    MergeSort(keys, [&](const SortKey& x, const SortKey& y) {
        for (size_t f = 0; f < fields.size(); ++f) {
            const uint32_t o = f < fieldOptions.size() ? fieldOptions[f] : options;
            int c = CompareByOptions(vm, vm.Get(x.value, fields[f]), vm.Get(y.value, fields[f]), o);
            if (o & kDescending)
                c = -c;
            if (c != 0)
                return c < 0;
        }
        equal = true;
        return false;
    });
    return FinishSort(vm, a, keys, options, !(equal && (options & kUniqueSort)));
}

} // namespace

void InstallArray(Vm& vm) {
    vm.arrayProto = vm.MakeObject(vm.objectProto);
    vm.arrayCtor = MakeClass(vm, "Array", ArrayCtor, ArrayConstruct, vm.arrayProto);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {
        {"join", ArrayJoin},       {"toString", ArrayToString}, {"push", ArrayPush},
        {"pop", ArrayPop},         {"shift", ArrayShift},       {"unshift", ArrayUnshift},
        {"slice", ArraySlice},     {"splice", ArraySplice},     {"concat", ArrayConcat},
        {"reverse", ArrayReverse}, {"sort", ArraySort},         {"sortOn", ArraySortOn}};
    for (const auto& m : kMethods)
        Method(vm, vm.arrayProto, m.name, m.fn);
    const struct {
        const char* name;
        uint32_t value;
    } kOptions[] = {{"CASEINSENSITIVE", kCaseInsensitive},
                    {"DESCENDING", kDescending},
                    {"UNIQUESORT", kUniqueSort},
                    {"RETURNINDEXEDARRAY", kReturnIndexedArray},
                    {"NUMERIC", kNumeric}};
    for (const auto& o : kOptions)
        vm.Define(vm.arrayCtor, o.name, Value::Num(o.value), kDontEnum | kDontDelete | kReadOnly);
}

} // namespace ww::movie::avm1
