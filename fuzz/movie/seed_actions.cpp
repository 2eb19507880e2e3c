// Writes a seed corpus for fuzz_movie_actions into the folder given: the SWF
// version byte, then scripts from the action assembler that reach each part
// of the runtime (functions, objects, exceptions, with, for..in, strings).
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"

#include <string>
#include <vector>

using namespace ww::test;

namespace {

std::vector<ActionWriter> Scripts() {
    const ActionWriter body = ActionWriter().Get("a").Get("b").Op(0x47).Op(0x3E);
    const ActionWriter thrower = ActionWriter().Push({PushString("x")}).Op(0x2A);
    return {
        ActionWriter().Push({PushString("a"), PushInt(1)}).Op(0x47).Trace(),
        ActionWriter()
            .Function("f", {"a", "b"}, body)
            .Push({PushInt(2), PushInt(1), PushInt(2), PushString("f")})
            .Op(0x3D)
            .Trace(),
        ActionWriter()
            .Function2("g", 4, 0x0105, {{2, "x"}}, ActionWriter().Push({PushRegister(2)}).Op(0x3E))
            .Push({PushInt(7), PushInt(1), PushString("g")})
            .Op(0x3D)
            .Trace(),
        ActionWriter()
            .Push({PushString("o"), PushString("k"), PushInt(1), PushInt(1)})
            .Op(0x43)
            .Op(0x3C)
            .Get("o")
            .With(ActionWriter().Get("k").Trace())
            .Get("o")
            .Op(0x55)
            .Label("l")
            .StoreRegister(0)
            .Push({PushNull()})
            .Op(0x49)
            .If("e")
            .Jump("l")
            .Label("e"),
        ActionWriter().Try(thrower, "e", ActionWriter().Get("e").Trace()),
        ActionWriter()
            .ConstantPool({"Array", "push", "sort"})
            .Push({PushInt(3), PushInt(1), PushInt(2), PushInt(3)})
            .Op(0x42)
            .StoreRegister(1)
            .Push({PushInt(16), PushInt(1), PushRegister(1), PushConstant(2)})
            .Op(0x52)
            .Trace(),
        ActionWriter()
            .Push({PushString("hello"), PushInt(2), PushInt(3)})
            .Op(0x35)
            .Push({PushString("_root"), PushString("_x"), PushInt(5)})
            .Op(0x1C)
            .Op(0x4F),
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::vector<ActionWriter> scripts = Scripts();
    for (size_t i = 0; i < scripts.size(); ++i) {
        for (uint8_t version : {5, 6, 8}) {
            Bytes seed = {version};
            const Bytes records = scripts[i].Records();
            seed.insert(seed.end(), records.begin(), records.end());
            WriteFileBytes(std::string(argv[1]) + "/seed" + std::to_string(i) + "v" +
                               std::to_string(version),
                           seed);
        }
    }
    return 0;
}
