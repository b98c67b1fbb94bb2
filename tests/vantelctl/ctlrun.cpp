#include "ctlrun.h"

#include <gtest/gtest.h>

#include <chrono>

#include "childprocess.h"

namespace vantel {

CtlResult RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::vector<std::string> argv{VANTELCTL_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    CChildProcess process(argv, env);
    const auto code = process.Wait(std::chrono::seconds(30));
    return CtlResult{code.value_or(-1), process.Out(), process.Err()};
}

nlohmann::json ParseObject(const std::string& text) {
    const auto parsed = nlohmann::json::parse(text, nullptr, false);
    EXPECT_TRUE(parsed.is_object()) << "not one JSON object: " << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "not one line: " << text;
    return parsed.is_object() ? parsed : nlohmann::json();
}

bool IsOneErrorLine(const std::string& err) {
    return err.rfind("vantelctl: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

std::vector<int> SourcesOf(const nlohmann::json& object) {
    std::vector<int> sources;
    if (!object.contains("routes")) {
        return sources;
    }
    for (const auto& route : object["routes"]) {
        sources.push_back(route["input"].is_null() ? 0 : route["input"].get<int>());
    }
    return sources;
}

}  // namespace vantel
