// Date. Local time is the machine's zone as the C library tells it, so a
// clock wallpaper shows the hour on the wall; a fixed TZ gives one text.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

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

// The zone's offset from UTC (east positive, in ms) at a UTC instant. Where
// the C library has no answer (before 1970 on Windows, far years) the offset
// of the nearest instant it knows stands in.
double LocalOffsetMs(double utcMs) {
    if (!std::isfinite(utcMs))
        return 0;
#ifdef _WIN32
    const double lowest = 0, highest = 32503593600.0; // 1970 to 2999
#else
    const double lowest = -67768040609740800.0, highest = 67767976233316800.0;
#endif
    const double secs = std::clamp(std::floor(utcMs / 1000), lowest, highest);
    const time_t t = static_cast<time_t>(secs);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0)
        return 0;
#else
    if (!localtime_r(&t, &local))
        return 0;
#endif
    const double asUtc =
        DaysFromCivil(local.tm_year + 1900.0, local.tm_mon, local.tm_mday) * 86400 +
        local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    return (asUtc - secs) * 1000;
}

double ToLocal(double utc) {
    return utc + LocalOffsetMs(utc);
}

// A local wall time back to UTC: the offset is looked up at the guess so a
// time near a daylight-saving change lands on the right side of it.
double FromLocal(double local) {
    if (!std::isfinite(local))
        return local;
    const double guess = local - LocalOffsetMs(local);
    return local - LocalOffsetMs(guess);
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
        t = FromLocal(MakeTime(year, vm.ToNumber(args[1]), ArgOr(vm, args, 2, 1),
                               ArgOr(vm, args, 3, 0), ArgOr(vm, args, 4, 0), ArgOr(vm, args, 5, 0),
                               ArgOr(vm, args, 6, 0)));
    }
    o->primitive = Value::Num(std::isfinite(t) && std::fabs(t) <= kMaxTime ? std::trunc(t) : NAN);
    return self;
}

// Date() called without new is today's date as text.
Value DateCtor(Vm& vm, Value, const Args&) {
    Value d = vm.Construct(vm.GetOf(vm.global, "Date"), Args());
    return Value::Str(vm.ToString(d));
}

std::string DateText(double t) {
    if (std::isnan(t))
        return "Invalid Date";
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const double offset = LocalOffsetMs(t);
    const Civil c = CivilFromTime(t + offset);
    const long minutes = std::lround(std::fabs(offset) / 60000);
    char text[128];
    std::snprintf(text, sizeof text, "%s %s %d %02d:%02d:%02d GMT%c%02ld%02ld %.0f",
                  kDays[static_cast<int>(c.weekday)], kMonths[static_cast<int>(c.month)],
                  static_cast<int>(c.day), static_cast<int>(c.hours), static_cast<int>(c.minutes),
                  static_cast<int>(c.seconds), offset < 0 ? '-' : '+', minutes / 60, minutes % 60,
                  c.year);
    return text;
}

Value DateToString(Vm&, Value self, const Args&) {
    return Value::Str(DateText(TimeOf(self)));
}

Value DateGetTime(Vm&, Value self, const Args&) {
    return Value::Num(TimeOf(self));
}

enum Field { kYear, kMonth, kDay, kWeekday, kHours, kMinutes, kSeconds, kMs, kShortYear };

template <int F, bool Utc> Value DateGet(Vm&, Value self, const Args&) {
    double t = TimeOf(self);
    if (std::isnan(t))
        return Value::Num(NAN);
    if (!Utc)
        t = ToLocal(t);
    const Civil c = CivilFromTime(t);
    const double v[] = {c.year,    c.month,   c.day, c.weekday,    c.hours,
                        c.minutes, c.seconds, c.ms,  c.year - 1900};
    return Value::Num(v[F]);
}

Value DateTimezoneOffset(Vm&, Value self, const Args&) {
    const double t = TimeOf(self);
    return Value::Num(std::isnan(t) ? NAN : -LocalOffsetMs(t) / 60000);
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
template <int F, bool Utc> Value DateSet(Vm& vm, Value self, const Args& args) {
    double t = TimeOf(self);
    if (std::isnan(t))
        t = 0;
    const Civil c = CivilFromTime(Utc ? t : ToLocal(t));
    double v[] = {c.year, c.month, c.day, c.hours, c.minutes, c.seconds, c.ms};
    const int first = F == kYear        ? 0
                      : F == kShortYear ? 0
                      : F == kMonth     ? 1
                      : F == kDay       ? 2
                      : F == kHours     ? 3
                      : F == kMinutes   ? 4
                      : F == kSeconds   ? 5
                                        : 6;
    const int last = first <= 2 ? 2 : 6;
    for (int i = first; i <= last && static_cast<size_t>(i - first) < args.size(); ++i)
        v[i] = vm.ToNumber(args[static_cast<size_t>(i - first)]);
    if (F == kShortYear && v[0] >= 0 && v[0] <= 99)
        v[0] += 1900;
    const double fields = MakeTime(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
    return SetTimeValue(self, Utc ? fields : FromLocal(fields));
}

Value DateUtc(Vm& vm, Value, const Args& args) {
    if (args.size() < 2)
        return Value::Undefined();
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
                    {"getFullYear", DateGet<kYear, false>},
                    {"getUTCFullYear", DateGet<kYear, true>},
                    {"getYear", DateGet<kShortYear, false>},
                    {"getUTCYear", DateGet<kShortYear, true>},
                    {"getMonth", DateGet<kMonth, false>},
                    {"getUTCMonth", DateGet<kMonth, true>},
                    {"getDate", DateGet<kDay, false>},
                    {"getUTCDate", DateGet<kDay, true>},
                    {"getDay", DateGet<kWeekday, false>},
                    {"getUTCDay", DateGet<kWeekday, true>},
                    {"getHours", DateGet<kHours, false>},
                    {"getUTCHours", DateGet<kHours, true>},
                    {"getMinutes", DateGet<kMinutes, false>},
                    {"getUTCMinutes", DateGet<kMinutes, true>},
                    {"getSeconds", DateGet<kSeconds, false>},
                    {"getUTCSeconds", DateGet<kSeconds, true>},
                    {"getMilliseconds", DateGet<kMs, false>},
                    {"getUTCMilliseconds", DateGet<kMs, true>},
                    {"setFullYear", DateSet<kYear, false>},
                    {"setUTCFullYear", DateSet<kYear, true>},
                    {"setYear", DateSet<kShortYear, false>},
                    {"setMonth", DateSet<kMonth, false>},
                    {"setUTCMonth", DateSet<kMonth, true>},
                    {"setDate", DateSet<kDay, false>},
                    {"setUTCDate", DateSet<kDay, true>},
                    {"setHours", DateSet<kHours, false>},
                    {"setUTCHours", DateSet<kHours, true>},
                    {"setMinutes", DateSet<kMinutes, false>},
                    {"setUTCMinutes", DateSet<kMinutes, true>},
                    {"setSeconds", DateSet<kSeconds, false>},
                    {"setUTCSeconds", DateSet<kSeconds, true>},
                    {"setMilliseconds", DateSet<kMs, false>},
                    {"setUTCMilliseconds", DateSet<kMs, true>}};
    for (const auto& m : kMethods)
        Method(vm, vm.dateProto, m.name, m.fn);
}

} // namespace ww::movie::avm1
