// Date. The local clock is taken as UTC, so that a movie's dates come out the
// same wherever it plays (and the trace command's fixed clock means one text).
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"

#include <cmath>
#include <cstdio>

namespace ww::movie::avm1 {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxTime = 8.64e15;

// Days since 1970-01-01 of a proleptic Gregorian date (month 0-11 may run
// past either end; it carries into the year).
double DaysFromCivil(double year, double month, double day) {
    year += std::floor(month / 12);
    month = std::fmod(month, 12);
    if (month < 0)
        month += 12;
    const double y = month < 2 ? year - 1 : year;
    const double era = std::floor(y / 400);
    const double yoe = y - era * 400;
    const double m = month < 2 ? month + 10 : month - 2;
    const double doy = std::floor((153 * m + 2) / 5) + day - 1;
    const double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    double year, month, day, weekday, hours, minutes, seconds, ms;
};

Civil CivilFromTime(double t) {
    Civil c{};
    const double days = std::floor(t / kMsPerDay);
    double rest = t - days * kMsPerDay;
    c.hours = std::floor(rest / 3600000);
    rest -= c.hours * 3600000;
    c.minutes = std::floor(rest / 60000);
    rest -= c.minutes * 60000;
    c.seconds = std::floor(rest / 1000);
    c.ms = rest - c.seconds * 1000;
    c.weekday = std::fmod(days + 4, 7);
    if (c.weekday < 0)
        c.weekday += 7;
    const double z = days + 719468;
    const double era = std::floor(z / 146097);
    const double doe = z - era * 146097;
    const double yoe = std::floor(
        (doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
    const double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
    const double mp = std::floor((5 * doy + 2) / 153);
    c.day = doy - std::floor((153 * mp + 2) / 5) + 1;
    c.month = mp < 10 ? mp + 2 : mp - 10;
    c.year = yoe + era * 400 + (c.month < 2 ? 1 : 0);
    return c;
}

double MakeTime(double year, double month, double day, double h, double m, double s, double ms) {
    for (double v : {year, month, day, h, m, s, ms}) {
        if (!std::isfinite(v))
            return NAN;
    }
    const double t =
        DaysFromCivil(std::trunc(year), std::trunc(month), std::trunc(day)) * kMsPerDay +
        std::trunc(h) * 3600000 + std::trunc(m) * 60000 + std::trunc(s) * 1000 + std::trunc(ms);
    return std::fabs(t) > kMaxTime ? NAN : t;
}

double TimeOf(const Value& self) {
    if (self.type == Type::Object && self.o->kind == ObjectKind::Date)
        return self.o->primitive.n;
    return NAN;
}

// The date's fields from args, the missing ones from the date itself.
double ArgOr(Vm& vm, const Args& args, size_t i, double fallback) {
    return i < args.size() ? vm.ToNumber(args[i]) : fallback;
}

Value DateConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = self.o;
    o->kind = ObjectKind::Date;
    double t;
    if (args.size() == 0) {
        t = std::floor(vm.NowMs());
    } else if (args.size() == 1) {
        t = vm.ToNumber(args[0]);
    } else {
        double year = vm.ToNumber(args[0]);
        if (year >= 0 && year <= 99)
            year += 1900;
        t = MakeTime(year, vm.ToNumber(args[1]), ArgOr(vm, args, 2, 1), ArgOr(vm, args, 3, 0),
                     ArgOr(vm, args, 4, 0), ArgOr(vm, args, 5, 0), ArgOr(vm, args, 6, 0));
    }
    o->primitive = Value::Num(std::isfinite(t) && std::fabs(t) <= kMaxTime ? std::trunc(t) : NAN);
    return self;
}

Value DateCtor(Vm& vm, Value, const Args&) {
    const Civil c = CivilFromTime(std::floor(vm.NowMs()));
    (void)c;
    Value d = vm.Construct(vm.GetOf(vm.global, "Date"), Args());
    return Value::Str(vm.ToString(d));
}

std::string DateText(double t) {
    if (std::isnan(t))
        return "Invalid Date";
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const Civil c = CivilFromTime(t);
    char text[96];
    std::snprintf(text, sizeof text, "%s %s %d %02d:%02d:%02d GMT+0000 %.0f",
                  kDays[static_cast<int>(c.weekday)], kMonths[static_cast<int>(c.month)],
                  static_cast<int>(c.day), static_cast<int>(c.hours), static_cast<int>(c.minutes),
                  static_cast<int>(c.seconds), c.year);
    return text;
}

Value DateToString(Vm&, Value self, const Args&) {
    return Value::Str(DateText(TimeOf(self)));
}

Value DateGetTime(Vm&, Value self, const Args&) {
    return Value::Num(TimeOf(self));
}

enum Field { kYear, kMonth, kDay, kWeekday, kHours, kMinutes, kSeconds, kMs, kShortYear };

template <int F> Value DateGet(Vm&, Value self, const Args&) {
    const double t = TimeOf(self);
    if (std::isnan(t))
        return Value::Num(NAN);
    const Civil c = CivilFromTime(t);
    const double v[] = {c.year,    c.month,   c.day, c.weekday,    c.hours,
                        c.minutes, c.seconds, c.ms,  c.year - 1900};
    return Value::Num(v[F]);
}

Value DateTimezoneOffset(Vm&, Value self, const Args&) {
    return Value::Num(std::isnan(TimeOf(self)) ? NAN : 0);
}

Value SetTimeValue(Value self, double t) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Date)
        return Value::Undefined();
    t = std::isfinite(t) && std::fabs(t) <= kMaxTime ? std::trunc(t) : NAN;
    self.o->primitive = Value::Num(t);
    return Value::Num(t);
}

Value DateSetTime(Vm& vm, Value self, const Args& args) {
    return SetTimeValue(self, vm.ToNumber(args[0]));
}

// setFullYear(y, m, d), setMonth(m, d), setDate(d), setHours(h, m, s, ms) ...
template <int F> Value DateSet(Vm& vm, Value self, const Args& args) {
    double t = TimeOf(self);
    if (std::isnan(t))
        t = 0;
    const Civil c = CivilFromTime(t);
    double v[] = {c.year, c.month, c.day, c.hours, c.minutes, c.seconds, c.ms};
    const int first = F == kYear      ? 0
                      : F == kMonth   ? 1
                      : F == kDay     ? 2
                      : F == kHours   ? 3
                      : F == kMinutes ? 4
                      : F == kSeconds ? 5
                                      : 6;
    const int last = first <= 2 ? 2 : 6;
    for (int i = first; i <= last && static_cast<size_t>(i - first) < args.size(); ++i)
        v[i] = vm.ToNumber(args[static_cast<size_t>(i - first)]);
    return SetTimeValue(self, MakeTime(v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
}

Value DateUtc(Vm& vm, Value, const Args& args) {
    if (args.size() < 2)
        return Value::Num(NAN);
    double year = vm.ToNumber(args[0]);
    if (year >= 0 && year <= 99)
        year += 1900;
    return Value::Num(MakeTime(year, vm.ToNumber(args[1]), ArgOr(vm, args, 2, 1),
                               ArgOr(vm, args, 3, 0), ArgOr(vm, args, 4, 0), ArgOr(vm, args, 5, 0),
                               ArgOr(vm, args, 6, 0)));
}

} // namespace

void InstallDate(Vm& vm) {
    vm.dateProto = vm.MakeObject(vm.objectProto);
    Object* ctor = MakeClass(vm, "Date", DateCtor, DateConstruct, vm.dateProto);
    Method(vm, ctor, "UTC", DateUtc);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"toString", DateToString},
                    {"valueOf", DateGetTime},
                    {"getTime", DateGetTime},
                    {"setTime", DateSetTime},
                    {"getTimezoneOffset", DateTimezoneOffset},
                    {"getFullYear", DateGet<kYear>},
                    {"getUTCFullYear", DateGet<kYear>},
                    {"getYear", DateGet<kShortYear>},
                    {"getMonth", DateGet<kMonth>},
                    {"getUTCMonth", DateGet<kMonth>},
                    {"getDate", DateGet<kDay>},
                    {"getUTCDate", DateGet<kDay>},
                    {"getDay", DateGet<kWeekday>},
                    {"getUTCDay", DateGet<kWeekday>},
                    {"getHours", DateGet<kHours>},
                    {"getUTCHours", DateGet<kHours>},
                    {"getMinutes", DateGet<kMinutes>},
                    {"getUTCMinutes", DateGet<kMinutes>},
                    {"getSeconds", DateGet<kSeconds>},
                    {"getUTCSeconds", DateGet<kSeconds>},
                    {"getMilliseconds", DateGet<kMs>},
                    {"getUTCMilliseconds", DateGet<kMs>},
                    {"setFullYear", DateSet<kYear>},
                    {"setUTCFullYear", DateSet<kYear>},
                    {"setMonth", DateSet<kMonth>},
                    {"setUTCMonth", DateSet<kMonth>},
                    {"setDate", DateSet<kDay>},
                    {"setUTCDate", DateSet<kDay>},
                    {"setHours", DateSet<kHours>},
                    {"setUTCHours", DateSet<kHours>},
                    {"setMinutes", DateSet<kMinutes>},
                    {"setUTCMinutes", DateSet<kMinutes>},
                    {"setSeconds", DateSet<kSeconds>},
                    {"setUTCSeconds", DateSet<kSeconds>},
                    {"setMilliseconds", DateSet<kMs>},
                    {"setUTCMilliseconds", DateSet<kMs>}};
    for (const auto& m : kMethods)
        Method(vm, vm.dateProto, m.name, m.fn);
}

} // namespace ww::movie::avm1
