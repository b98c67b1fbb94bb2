#include "setupreport.h"

#include "jsonline.h"

namespace vantel {

std::string DottedText(const CSetupBlock::Address& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

void PrintSetup(std::ostream& out, const CSetupBlock& block, bool json) {
    const char* buzzer = block.BuzzerOn() ? "on" : "off";
    if (json) {
        auto object = JsonObject();
        object["inputs"] = block.InputCount();
        object["outputs"] = block.OutputCount();
        object["ip"] = DottedText(block.Ip());
        object["mask"] = DottedText(block.Mask());
        object["gateway"] = DottedText(block.Gateway());
        object["buzzer"] = buzzer;
        out << JsonLine(object) << '\n';
        return;
    }
    out << "inputs: " << block.InputCount() << "\noutputs: " << block.OutputCount()
        << "\nip: " << DottedText(block.Ip()) << "\nmask: " << DottedText(block.Mask())
        << "\ngateway: " << DottedText(block.Gateway()) << "\nbuzzer: " << buzzer << '\n';
}

}  // namespace vantel
