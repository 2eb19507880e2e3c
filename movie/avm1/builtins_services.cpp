// The classes of services a wallpaper has none of: printing, the page that
// hosts the movie, other movies on the machine. Each has the shape scripts
// look for and answers as a player without that service answers.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/geom.h"
#include "movie/player.h"

namespace ww::movie::avm1 {

namespace {

Value Nothing(Vm&, Value, const Args&) {
    return Value::Undefined();
}

Value False(Vm&, Value, const Args&) {
    return Value::Bool(false);
}

Value Zero(Vm&, Value, const Args&) {
    return Value::Num(0);
}

Value Null(Vm&, Value, const Args&) {
    return Value::Null();
}

// ExternalInterface -----------------------------------------------------------

// Text for XML and for a JavaScript string, as the player escapes before it
// talks to the page; no text (or the empty one) is null.
Value EscapeXml(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Null();
    const std::string text = vm.ToString(args[0]);
    if (text.empty())
        return Value::Null();
    std::string out;
    AppendEscaped(text, true, &out);
    return Value::Str(out);
}

Value JsQuoteString(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Null();
    const std::string text = vm.ToString(args[0]);
    if (text.empty())
        return Value::Null();
    std::string out;
    for (char c : text) {
        if (c == '"')
            out += '\\';
        out += c;
    }
    return Value::Str(out);
}

void InstallExternalInterface(Vm& vm) {
    Object* external = FlashPackage(vm, "external");
    Object* proto = vm.MakeObject(vm.objectProto);
    Object* ctor = vm.MakeFunction(Nothing, nullptr, proto);
    vm.Define(external, "ExternalInterface", Value::Obj(ctor), kDontEnum);
    vm.Define(ctor, "available", Value::Bool(false), kDontEnum | kDontDelete | kReadOnly);
    Method(vm, ctor, "addCallback", False);
    Method(vm, ctor, "call", Null);
    Method(vm, ctor, "_escapeXML", EscapeXml);
    Method(vm, ctor, "_jsQuoteString", JsQuoteString);
}

// PrintJob --------------------------------------------------------------------

// No printer: the page sizes read 0 and cannot be set.
void InstallPrintJob(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "PrintJob", Nothing, nullptr, proto);
    Method(vm, proto, "start", False);
    Method(vm, proto, "addPage", False);
    Method(vm, proto, "send", Nothing);
    // Made last to first: for..in lists them from orientation on.
    for (const char* name :
         {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"}) {
        vm.Define(proto, name, Value::Undefined(), kDontDelete);
        if (Property* p = proto->FindOwn(vm.Key(name)))
            p->getter = vm.MakeFunction(Zero);
    }
}

// LocalConnection -------------------------------------------------------------

Value Domain(Vm&, Value, const Args&) {
    return Value::Str("localhost");
}

// No other movie listens: a message goes nowhere, a name is never taken.
void InstallLocalConnection(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "LocalConnection", Nothing, nullptr, proto);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"connect", False}, {"send", False}, {"close", Nothing}, {"domain", Domain}};
    for (const auto& m : kMethods)
        vm.Define(proto, m.name, Value::Obj(vm.MakeFunction(m.fn)), kDontEnum | kDontDelete);
}

// System.security --------------------------------------------------------------

void InstallSecurity(Vm& vm) {
    Object* security = Namespace(vm, Namespace(vm, vm.global, "System"), "security");
    const bool network = vm.player() && vm.player()->movie().useNetwork;
    vm.Define(security, "sandboxType", Value::Str(network ? "localWithNetwork" : "localWithFile"),
              kDontEnum | kDontDelete | kReadOnly);
    for (const char* name : {"allowDomain", "allowInsecureDomain", "loadPolicyFile"})
        Method(vm, security, name, Nothing);
}

} // namespace

void InstallServices(Vm& vm) {
    InstallExternalInterface(vm);
    InstallPrintJob(vm);
    InstallLocalConnection(vm);
    InstallSecurity(vm);
}

} // namespace ww::movie::avm1
