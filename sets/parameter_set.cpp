#include "sets/parameter_set.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

namespace tornel {

namespace {

using Json = nlohmann::ordered_json;

// "p10.pause (длительность паузы, с)": how messages name a field.
std::string FieldTitle(const ParameterField& f) {
    std::string key = ParameterKey(f.parameter);
    if (f.member != nullptr) {
        key += std::string(".") + f.member;
    }
    return key + " (" + NameWithUnit(f) + ")";
}

// A value as the file has it, shortened for a message.
std::string Shown(const Json& value) {
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    constexpr std::size_t kLongest = 40;
    if (text.size() > kLongest) {
        text = text.substr(0, kLongest) + "...";
    }
    return text;
}

const Json* Member(const Json& object, const std::string& key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const Json& Required(const Json& object, const std::string& key, const std::string& title) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        throw ParameterSetError("нет поля " + title);
    }
    return *value;
}

void CheckHeader(const Json& root) {
    if (!root.is_object()) {
        throw ParameterSetError("это не набор параметров: ожидался объект JSON");
    }
    const Json* format = Member(root, "format");
    if (format == nullptr || !format->is_string() || *format != kParameterSetFormat) {
        throw ParameterSetError("неизвестный формат " + (format ? Shown(*format) : "(не указан)") +
                                ", ожидался \"" + kParameterSetFormat + "\"");
    }
    const Json& version = Required(root, "version", "version");
    if (!version.is_number_integer() || version < 1) {
        throw ParameterSetError("поле version: ожидалось целое число от 1, а не " + Shown(version));
    }
    if (version > kParameterSetVersion) {
        throw ParameterSetError("версия " + Shown(version) + " новее, чем понимает программа (" +
                                std::to_string(kParameterSetVersion) + ")");
    }
}

std::int32_t FieldValue(const Json& value, const ParameterField& f) {
    if (!value.is_number_integer()) {
        throw ParameterSetError("поле " + FieldTitle(f) + ": ожидалось целое число, а не " +
                                Shown(value));
    }
    const bool tooLarge = value.is_number_unsigned() &&
                          value.get<std::uint64_t>() > static_cast<std::uint64_t>(f.max);
    const auto v = tooLarge ? std::int64_t{f.max} + 1 : value.get<std::int64_t>();
    if (v < f.min || v > f.max) {
        throw ParameterSetError("поле " + FieldTitle(f) + ": значение " + Shown(value) +
                                " вне диапазона " + std::to_string(f.min) + ".." +
                                std::to_string(f.max));
    }
    return static_cast<std::int32_t>(v);
}

void ReadFields(const Json& root, const ParameterTable& table, PacketInputs& inputs) {
    const Json& parameters = Required(root, "parameters", "parameters");
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ParameterField& f = table[i];
        const std::string key = ParameterKey(f.parameter);
        const Json* value = Member(parameters, key);
        if (value != nullptr && f.member != nullptr) {
            value = Member(*value, f.member);
        }
        if (value == nullptr) {
            throw ParameterSetError("нет поля " + FieldTitle(f));
        }
        inputs.fields[i] = FieldValue(*value, f);
    }
}

void ReadBoxes(const Json& root, BoxStates& boxes) {
    const Json& states = Required(root, "boxes", "boxes");
    for (const EnablingBox& box : kEnablingBoxes) {
        const std::string title = "boxes." + ParameterKey(box.parameter);
        const Json* state = Member(states, ParameterKey(box.parameter));
        if (state == nullptr) {
            throw ParameterSetError("нет поля " + title + " (флажок параметра " +
                                    std::to_string(box.parameter) + ")");
        }
        if (!state->is_boolean()) {
            throw ParameterSetError("поле " + title + ": ожидалось true или false, а не " +
                                    Shown(*state));
        }
        boxes.*(box.state) = state->get<bool>();
    }
}

}  // namespace

std::string ParameterSetText(const ParameterSet& set, const ParameterTable& table) {
    Json j;
    j["format"] = kParameterSetFormat;
    j["version"] = kParameterSetVersion;
    if (!set.name.empty()) {
        j["name"] = set.name;
    }
    Json parameters = Json::object();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ParameterField& f = table[i];
        Json& slot = parameters[ParameterKey(f.parameter)];
        (f.member != nullptr ? slot[f.member] : slot) = set.inputs.fields[i];
    }
    j["parameters"] = parameters;
    Json boxes = Json::object();
    for (const EnablingBox& box : kEnablingBoxes) {
        boxes[ParameterKey(box.parameter)] = set.inputs.boxes.*(box.state);
    }
    j["boxes"] = boxes;
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

ParameterSet ParseParameterSet(std::string_view text, const ParameterTable& table) {
    if (text.find('\0') != std::string_view::npos) {
        throw ParameterSetError("двоичный файл, а не набор параметров");
    }
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& e) {
        throw ParameterSetError("испорченный JSON (ошибка в байте " + std::to_string(e.byte) + ")");
    } catch (const Json::exception&) {
        throw ParameterSetError("испорченный JSON (число за пределами допустимого)");
    }
    CheckHeader(root);
    ParameterSet set;
    if (const Json* name = Member(root, "name"); name != nullptr) {
        if (!name->is_string()) {
            throw ParameterSetError("поле name: ожидалась строка, а не " + Shown(*name));
        }
        set.name = name->get<std::string>();
    }
    ReadFields(root, table, set.inputs);
    ReadBoxes(root, set.inputs.boxes);
    return set;
}

}  // namespace tornel
