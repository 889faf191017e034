// The "FXC1" state stream: every parameter's plain value, the custom program (name and Intel
// HEX text) and the name of the selected bank, little-endian, without gaps.
//
//   magic "FXC1" (u32 0x31435846) | version u32 (2 written; 0, 1, 2 read) | count u32
//   count x (id u32, value f64) | name (u32 length, bytes) | HEX text (u32 length, bytes)
//   bank name (u32 length, bytes), version 2 only
//
// A load has no rollback: each record is stored as soon as it is read, and a stream that ends
// early leaves what was read before. The custom program, the bank list and the request to
// re-apply the program change only once the whole stream has been read. A custom text that
// does not load leaves the custom slot as it was, but is kept for the next save (and the
// loader's message goes to the host's log).

#include "plugin/FXCorePlugin.h"
#include "plugin/StateStream.h"

#include <clap/ext/params.h>

namespace fxcoreplug {

namespace {

constexpr std::uint32_t kStateMagic = 0x31435846;  // "FXC1" in file order
constexpr std::uint32_t kStateVersion = 2;

// [main-thread] Tells the host that parameter values changed behind its back, so that it
// reads them again instead of showing the values from before the load.
void announceNewValues(const clap_host* host) {
    if (host == nullptr || host->get_extension == nullptr) {
        return;
    }
    const auto* hostParams = static_cast<const clap_host_params*>(host->get_extension(host, CLAP_EXT_PARAMS));
    if (hostParams != nullptr && hostParams->rescan != nullptr) {
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    }
}

}  // namespace

bool FXCorePlugin::stateSave(const clap_ostream* stream) {
    StateWriter out(stream);
    const auto& table = paramDefs();
    if (!out.writeU32(kStateMagic) || !out.writeU32(kStateVersion) ||
        !out.writeU32(static_cast<std::uint32_t>(table.size()))) {
        return false;
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!out.writeU32(table[i].id) || !out.writeF64(params[i].load(std::memory_order_relaxed))) {
            return false;
        }
    }
    const int bank = currentBankIndex();
    const std::string bankNameText =
        bank < static_cast<int>(banks.size()) ? banks[static_cast<std::size_t>(bank)].name : std::string();
    return out.writeStr(customName) && out.writeStr(customHex) && out.writeStr(bankNameText);
}

bool FXCorePlugin::stateLoad(const clap_istream* stream) {
    StateReader in(stream);
    std::uint32_t magic = 0;
    std::uint32_t version = 0;
    if (!in.readU32(magic) || magic != kStateMagic || !in.readU32(version) || version > kStateVersion) {
        return false;  // nothing has changed yet
    }

    // From here on every stored record stays, whatever follows; the host hears of the new
    // values on every way out once one was stored.
    bool valuesChanged = false;
    const auto finish = [&](bool result) {
        if (valuesChanged) {
            announceNewValues(host);
        }
        return result;
    };

    std::uint32_t count = 0;
    if (!in.readU32(count)) {
        return finish(false);
    }
    for (std::uint32_t r = 0; r < count; ++r) {
        std::uint32_t id = 0;
        double value = 0.0;
        if (!in.readU32(id) || !in.readF64(value)) {
            return finish(false);
        }
        // Ids outside the table are skipped; values are clamped; a NaN is refused.
        valuesChanged = writeParam(id, value) || valuesChanged;
    }

    std::string name;
    std::string hexText;
    std::string bank;
    if (!in.readStr(name) || !in.readStr(hexText) || (version >= 2 && !in.readStr(bank))) {
        return finish(false);
    }

    if (!hexText.empty()) {
        // The saved selection wins over the one a custom load makes ("(loaded)", mode 0).
        const double program = paramValue(kParamProgram);
        const double mode = paramValue(kParamMode);
        std::string error;
        if (!loadCustomHex(hexText, name, error)) {
            // The slot keeps what it held, but the text is the project's: it is saved back as
            // it came, so that saving the project never loses it.
            customHex = hexText;
            customName = name;
            const std::string message = "Corlinde Jr: the custom program \"" + name +
                                        "\" of the loaded state did not load (" + error +
                                        "); its text is kept and saved with the state";
            logToHost(CLAP_LOG_ERROR, message.c_str());
        }
        slotFor(kParamProgram)->store(program, std::memory_order_relaxed);
        slotFor(kParamMode)->store(mode, std::memory_order_relaxed);
    }

    if (!bank.empty()) {
        for (std::size_t b = 0; b < banks.size(); ++b) {
            if (banks[b].name == bank) {
                slotFor(kParamProgram)->store(static_cast<double>(b), std::memory_order_relaxed);
                valuesChanged = true;
                break;
            }
        }
    }

    requestProgramReapply();
    return finish(true);
}

}  // namespace fxcoreplug
