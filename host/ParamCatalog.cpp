#include "host/ParamCatalog.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "host/Options.h"

namespace fxcorehost {

namespace {

bool equalIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// The names printed on the pedal's mode toggle for the programs that its
// Mode value texts name: the plug-in calls its embedded programs by their
// bank name and mode number, the panel by these words.
constexpr struct {
    const char* program;
    const char* printedName;
} kPrintedProgramNames[] = {
    {"mp-corlinde-jr_0", "KAVRO"},
    {"mp-corlinde-jr_1", "DRISK"},
    {"mp-corlinde-jr_2", "VESTRA"},
};

// A value text that starts with the value's own number and a separator
// ("2: NAME", "2 - NAME", "2. NAME"), without them; else the whole text.
std::string labelOf(const std::string& text, double value) {
    const std::string number = formatNumber(value);
    if (text.compare(0, number.size(), number) != 0) return text;
    std::size_t at = number.size();
    const std::size_t separatorStart = at;
    while (at < text.size() && (text[at] == ':' || text[at] == '-' || text[at] == '.' || text[at] == ' '))
        ++at;
    return at > separatorStart && at < text.size() ? text.substr(at) : text;
}

bool namesSomething(const std::string& text) {
    for (const char c : text)
        if (std::isalnum(static_cast<unsigned char>(c))) return true;
    return false;
}

// "0: a (A), 1: b" for the error of a value that names none of them.
std::string listOf(const std::vector<ParamCatalog::NamedValue>& values) {
    std::string list;
    for (const auto& v : values) {
        list += (list.empty() ? "" : ", ") + v.text;
        if (!v.printedName.empty()) list += " (" + v.printedName + ")";
    }
    return list;
}

}  // namespace

std::string formatNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.6g", value);
    return text;
}

void ParamCatalog::refresh(const clap_plugin_t* plugin, const clap_plugin_params_t* params) {
    m_plugin = plugin;
    m_params = params;
    m_infos.clear();
    if (!plugin || !params || !params->count || !params->get_info) return;
    const std::uint32_t count = params->count(plugin);
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_param_info_t info{};
        if (!params->get_info(plugin, i, &info)) continue;
        // Fixed-size texts from the plug-in: make sure they end within their arrays.
        info.name[sizeof(info.name) - 1] = '\0';
        info.module[sizeof(info.module) - 1] = '\0';
        m_infos.push_back(info);
    }
}

const clap_param_info_t* ParamCatalog::findById(clap_id id) const {
    for (const auto& info : m_infos)
        if (info.id == id) return &info;
    return nullptr;
}

const clap_param_info_t* ParamCatalog::resolve(const std::string& key, std::string& error) const {
    std::uint64_t id = 0;
    if (parseUnsigned(key, id) && id <= 0xFFFFFFFFu) {
        if (const auto* info = findById(static_cast<clap_id>(id))) return info;
    }
    for (const auto& info : m_infos)
        if (key == info.name) return &info;
    const clap_param_info_t* match = nullptr;
    for (const auto& info : m_infos) {
        if (!equalIgnoringCase(key, info.name)) continue;
        if (match) {
            error = "parameter name '" + key + "' is ambiguous (ids " + std::to_string(match->id) + " and " +
                    std::to_string(info.id) + "); give the id";
            return nullptr;
        }
        match = &info;
    }
    if (!match) error = "unknown parameter '" + key + "' (see the info command for the list)";
    return match;
}

std::vector<ParamCatalog::NamedValue> ParamCatalog::namedValues(const clap_param_info_t& info) const {
    std::vector<NamedValue> values;
    if (!(info.flags & CLAP_PARAM_IS_STEPPED) || !std::isfinite(info.min_value) ||
        !std::isfinite(info.max_value))
        return values;
    const double first = std::ceil(info.min_value);
    const double last = std::floor(info.max_value);
    if (!(last - first < kMaxNamedValues)) return values;
    for (double v = first; v <= last; v += 1.0) {
        NamedValue named;
        named.value = v;
        named.text = valueText(info.id, v);
        if (!namesSomething(named.text)) continue;
        named.label = labelOf(named.text, v);
        if (!namesSomething(named.label)) continue;  // "3: -": a mode the bank does not have
        for (const auto& row : kPrintedProgramNames)
            if (named.label == row.program) named.printedName = row.printedName;
        values.push_back(std::move(named));
    }
    return values;
}

bool ParamCatalog::parseValue(const clap_param_info_t& info, const std::string& text, double& value,
                              std::string& error) const {
    const std::string subject = "parameter " + std::to_string(info.id) + " (" + info.name + ")";
    double parsed = 0.0;
    bool ok = parseDouble(text, parsed);
    // The value texts the plug-in shows come before its own text_to_value,
    // which may read only a number at the start of a text ("2: NAME").
    const std::vector<NamedValue> named = ok ? std::vector<NamedValue>() : namedValues(info);
    const NamedValue* match = nullptr;
    for (const auto& v : named) {
        const bool answers = equalIgnoringCase(text, v.text.c_str()) ||
                             equalIgnoringCase(text, v.label.c_str()) ||
                             (!v.printedName.empty() && equalIgnoringCase(text, v.printedName.c_str()));
        if (!answers) continue;
        if (match) {
            error = subject + ": the value '" + text + "' names both " + match->text + " and " + v.text;
            return false;
        }
        match = &v;
    }
    if (match) {
        parsed = match->value;
        ok = true;
    }
    if (!ok && m_params && m_params->text_to_value)
        ok = m_params->text_to_value(m_plugin, info.id, text.c_str(), &parsed);
    if (!ok || !std::isfinite(parsed)) {
        error = subject + ": cannot read the value '" + text + "'";
        if (!named.empty())
            error += " (a number from " + formatNumber(info.min_value) + " to " +
                     formatNumber(info.max_value) + ", or one of " + listOf(named) + ")";
        return false;
    }
    if (parsed < info.min_value || parsed > info.max_value) {
        error = subject + ": value " + formatNumber(parsed) + " is outside its range " +
                formatNumber(info.min_value) + " to " + formatNumber(info.max_value);
        return false;
    }
    value = parsed;
    return true;
}

bool ParamCatalog::currentValue(clap_id id, double& value) const {
    return m_params && m_params->get_value && m_params->get_value(m_plugin, id, &value);
}

std::string ParamCatalog::valueText(clap_id id, double value) const {
    if (!m_params || !m_params->value_to_text) return "";
    char text[CLAP_NAME_SIZE] = {};
    if (!m_params->value_to_text(m_plugin, id, value, text, sizeof(text))) return "";
    text[sizeof(text) - 1] = '\0';
    return text;
}

std::string ParamCatalog::nameOf(clap_id id) const {
    const auto* info = findById(id);
    return info ? info->name : "?";
}

}  // namespace fxcorehost
