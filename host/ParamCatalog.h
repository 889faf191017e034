#pragma once
// The host's copy of a plug-in's parameter list, re-read when the plug-in asks
// for a rescan, and the lookups of the command line: a parameter by id or by
// name, a value by number or by the plug-in's own value text.

#include <string>
#include <vector>

#include "clap/clap.h"

namespace fxcorehost {

class ParamCatalog {
public:
    // [main-thread] Re-reads every parameter's info; no-op without params.
    void refresh(const clap_plugin_t* plugin, const clap_plugin_params_t* params);

    const std::vector<clap_param_info_t>& infos() const { return m_infos; }
    const clap_param_info_t* findById(clap_id id) const;

    // [main-thread] KEY of --param: an id, else a name (exactly, then ignoring
    // letter case; an ambiguous name is an error).
    const clap_param_info_t* resolve(const std::string& key, std::string& error) const;

    // [main-thread] VALUE of --param for that parameter: a number, else the
    // name of one of a stepped parameter's values (below), else the plug-in's
    // text_to_value; it must lie within the parameter's range.
    bool parseValue(const clap_param_info_t& info, const std::string& text, double& value,
                    std::string& error) const;

    // One whole value of a stepped parameter and the names it answers to,
    // ignoring letter case: the plug-in's text for it ("2: mp-corlinde-jr_2"),
    // that text without the number it starts with ("mp-corlinde-jr_2"), and
    // the pedal's printed name of a Corlinde Jr firmware program ("VESTRA").
    struct NamedValue {
        double value = 0.0;
        std::string text;
        std::string label;
        std::string printedName;  // empty when there is none
    };
    // [main-thread] The values of a stepped parameter whose text names
    // something (not "-"); empty for a parameter that is not stepped or has
    // more than kMaxNamedValues steps. The texts are asked for as the plug-in
    // stands now: Corlinde Jr's mode texts follow the selected bank.
    std::vector<NamedValue> namedValues(const clap_param_info_t& info) const;
    static constexpr int kMaxNamedValues = 256;

    // [main-thread] The parameter's value as the plug-in holds it now.
    bool currentValue(clap_id id, double& value) const;
    // [main-thread] The plug-in's text for a value, "" when it gives none.
    std::string valueText(clap_id id, double value) const;
    // The parameter's name, or "?" for an id not in the list.
    std::string nameOf(clap_id id) const;

private:
    const clap_plugin_t* m_plugin = nullptr;
    const clap_plugin_params_t* m_params = nullptr;
    std::vector<clap_param_info_t> m_infos;
};

// "0.5" for 0.5: a value with up to 6 significant digits and no trailing zeros.
std::string formatNumber(double value);

}  // namespace fxcorehost
