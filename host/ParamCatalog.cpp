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

bool ParamCatalog::parseValue(const clap_param_info_t& info, const std::string& text, double& value,
                              std::string& error) const {
    double parsed = 0.0;
    bool ok = parseDouble(text, parsed);
    if (!ok && m_params && m_params->text_to_value)
        ok = m_params->text_to_value(m_plugin, info.id, text.c_str(), &parsed);
    const std::string subject = "parameter " + std::to_string(info.id) + " (" + info.name + ")";
    if (!ok || !std::isfinite(parsed)) {
        error = subject + ": cannot read the value '" + text + "'";
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
