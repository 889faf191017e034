#include "host/ProgramState.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/ErrorText.h"
#include "host/ParamCatalog.h"
#include "host/PluginState.h"

namespace fxcorehost {

namespace {

constexpr std::uint32_t kFxc1Magic = 0x31435846;  // "FXC1" in file order
constexpr std::uint32_t kFxc1Version = 2;

class Fxc1Reader {
public:
    explicit Fxc1Reader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

    bool u32(std::uint32_t& v) {
        if (m_bytes.size() - m_at < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | m_bytes[m_at + static_cast<std::size_t>(i)];
        m_at += 4;
        return true;
    }
    bool f64(double& v) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!u32(low) || !u32(high)) return false;
        const std::uint64_t bits = static_cast<std::uint64_t>(high) << 32 | low;
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    bool text(std::string& s) {
        std::uint32_t length = 0;
        if (!u32(length) || length > kMaxStateText || m_bytes.size() - m_at < length) return false;
        s.assign(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += length;
        return true;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    const std::vector<unsigned char>& m_bytes;
    std::size_t m_at = 0;
};

void putU32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void putText(std::vector<unsigned char>& out, const std::string& s) {
    putU32(out, static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// "delay" for "some/folder/delay.hex".
std::string programNameOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? "program" : name;
}

bool isTextByte(unsigned char c) {
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The value text of the parameter named name, "?" when the plug-in has none.
std::string currentValueText(const ParamCatalog& catalog, const char* name) {
    std::string unused;
    const clap_param_info_t* info = catalog.resolve(name, unused);
    double value = 0.0;
    if (!info || !catalog.currentValue(info->id, value)) return "?";
    const std::string text = catalog.valueText(info->id, value);
    return text.empty() ? formatNumber(value) : text;
}

}  // namespace

bool parseFxc1State(const std::vector<unsigned char>& bytes, Fxc1State& state) {
    Fxc1Reader in(bytes);
    std::uint32_t magic = 0;
    std::uint32_t count = 0;
    if (!in.u32(magic) || magic != kFxc1Magic || !in.u32(state.version) || state.version > kFxc1Version ||
        !in.u32(count) || count > bytes.size() / 12)
        return false;
    state.records.resize(count);
    for (auto& [id, value] : state.records)
        if (!in.u32(id) || !in.f64(value)) return false;
    state.bankName.clear();
    return in.text(state.programName) && in.text(state.programText) &&
           (state.version < 2 || in.text(state.bankName)) && in.atEnd();
}

std::vector<unsigned char> writeFxc1State(const Fxc1State& state) {
    std::vector<unsigned char> out;
    putU32(out, kFxc1Magic);
    putU32(out, kFxc1Version);
    putU32(out, static_cast<std::uint32_t>(state.records.size()));
    for (const auto& [id, value] : state.records) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        putU32(out, id);
        putU32(out, static_cast<std::uint32_t>(bits));
        putU32(out, static_cast<std::uint32_t>(bits >> 32));
    }
    putText(out, state.programName);
    putText(out, state.programText);
    putText(out, state.bankName);
    return out;
}

bool readProgramText(const std::string& path, std::string& text, std::string& error) {
    const std::string subject = "--program " + quoted(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = subject + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = subject + ": not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxStateText) {
        error = subject + ": " + std::to_string(st.st_size) + " bytes, more than a state carries (16 MiB)";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = subject + ": " + std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = subject + ": cannot read the file";
        return false;
    }
    if (text.empty()) {
        error = subject + ": the file is empty";
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isTextByte(c)) continue;
        char where[64];
        std::snprintf(where, sizeof(where), "byte 0x%02x at offset %zu", c, i);
        error = subject + ": not a text file (" + where + "); give the Intel HEX text fxasm writes";
        return false;
    }
    return true;
}

bool loadProgramThroughState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                             const ParamCatalog& catalog, HostContext& context, const std::string& path,
                             std::string& loaded, std::string& error) {
    std::string text;
    if (!readProgramText(path, text, error)) return false;
    const std::string subject = "--program " + quoted(path);
    std::vector<unsigned char> bytes;
    Fxc1State fxc1;
    if (!state || !savePluginState(plugin, state, bytes) || !parseFxc1State(bytes, fxc1)) {
        error = subject + ": the plug-in keeps no FXC1 state, which is how a program reaches it";
        return false;
    }
    // The plug-in's values as they stand, with the program in its slot, its
    // bank selected by name and that bank's one mode: what the plug-in saves
    // when a DAW session runs the custom program.
    std::string unused;
    if (const clap_param_info_t* mode = catalog.resolve("Mode", unused))
        for (auto& [id, value] : fxc1.records)
            if (id == mode->id) value = 0.0;
    fxc1.programName = programNameOf(path);
    fxc1.programText = text;
    fxc1.bankName = kCustomBankName;
    context.takeLogMessages();  // only what this load logs counts
    if (!loadPluginState(plugin, state, writeFxc1State(fxc1))) {
        error = subject + ": the plug-in refused the state that carries the program";
        return false;
    }
    const std::vector<std::string> logged = context.takeLogMessages();
    Fxc1State after;
    if (!logged.empty() || !savePluginState(plugin, state, bytes) || !parseFxc1State(bytes, after) ||
        after.programText != text) {
        error = subject + ": the plug-in did not load the program (it takes an FXCore program as Intel HEX " +
                "text, as fxasm -o writes it)";
        if (!logged.empty()) error += ": " + logged.front();
        return false;
    }
    loaded = "program '" + after.programName + "' from " + path + " loaded: Program " +
             currentValueText(catalog, "Program") + ", Mode " + currentValueText(catalog, "Mode");
    return true;
}

}  // namespace fxcorehost
