// Start-up reads of setup.ini: the connection keys, the grid size and the 144 button labels,
// each read going to the file, as the application does when it starts. Prints the median over
// many repetitions.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/inifile.h"

namespace {

constexpr int kRepetitions = 300;

std::string FullSetupIni() {
    std::string text = "[setup]\r\nmode=1\r\nip=127.0.0.1\r\nserial=3\r\n";
    text += "[NUMBER]\r\nLINE=12\r\nROW=12\r\n[BUTTON]\r\n";
    for (int base : {2500, 3000}) {
        for (int i = 0; i < 72; ++i) {
            text += std::to_string(base + i) + "=Label " + std::to_string(i + 1) + "\r\n";
        }
    }
    return text;
}

// One start-up's reads; returns a checksum so nothing is optimised away.
std::size_t StartupReads(CIniFile& ini) {
    std::size_t sum = 0;
    sum += static_cast<std::size_t>(ini.GetInt("mode", "setup", 0));
    sum += ini.GetString("ip", "setup", "127.100.1.80").size();
    sum += static_cast<std::size_t>(ini.GetInt("serial", "setup", 1));
    sum += static_cast<std::size_t>(ini.GetInt("LINE", "NUMBER", 12));
    sum += static_cast<std::size_t>(ini.GetInt("ROW", "NUMBER", 12));
    for (int base : {2500, 3000}) {
        for (int i = 0; i < 72; ++i) {
            sum += ini.GetString(std::to_string(base + i), "BUTTON", std::to_string(i + 1)).size();
        }
    }
    return sum;
}

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "vantel-bench-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string path = folder + "/setup.ini";
    std::ofstream(path, std::ios::binary) << FullSetupIni();

    CIniFile ini(path);
    std::size_t checksum = StartupReads(ini);  // warm the page cache
    std::vector<double> ms;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        auto start = std::chrono::steady_clock::now();
        checksum += StartupReads(ini);
        auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("startup_reads: %.3f ms\n", ms[ms.size() / 2]);
    std::printf("startup_read_each: %.2f us\n", ms[ms.size() / 2] * 1000.0 / 149.0);
    std::filesystem::remove_all(folder);
    return checksum == 0 ? 1 : 0;
}
