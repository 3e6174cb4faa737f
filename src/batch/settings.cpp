#include "batch/settings.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit::batch {

namespace {

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

std::optional<int> ParamIndexOf(std::string_view name) {
  const auto equal = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) ==
             std::tolower(static_cast<unsigned char>(y));
    });
  };
  for (int k = 0; k < kParamCount; ++k) {
    if (equal(name, kParamNames[static_cast<size_t>(k)])) return k;
  }
  return std::nullopt;
}

int RequireParamIndex(std::string_view name, std::string_view where) {
  const std::optional<int> k = ParamIndexOf(name);
  if (!k) {
    throw EInvalidInput(std::string(where) + ": unknown parameter " + Quoted(name) +
                        " (one of BFluo, TShift, Knuc, Kon, Koff)");
  }
  return *k;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// "VALUE[:MIN:MAX][:fixed]" into one parameter; `where` starts every message.
void ApplyParamText(TParamSetting& param, std::string_view text, const std::string& where) {
  std::vector<std::string_view> parts = Split(text, ':');
  bool fixed = false;
  if (parts.size() > 1 && parts.back() == "fixed") {
    fixed = true;
    parts.pop_back();
  }
  if (parts.size() != 1 && parts.size() != 3) {
    throw EInvalidInput(where + ": expected VALUE[:MIN:MAX][:fixed], got " + Quoted(text));
  }
  param.value = ReadNumber(parts[0], where + " value");
  if (parts.size() == 3) {
    param.min = ReadNumber(parts[1], where + " minimum");
    param.max = ReadNumber(parts[2], where + " maximum");
  }
  param.fit = !fixed;
}

// A settings file is a few lines; anything this large is not one (/dev/zero, a data file).
constexpr std::streamsize kMaxConfigBytes = 1 << 20;

double TomlNumber(const toml::node& node, const std::string& where) {
  if (const auto* number = node.as_floating_point()) {
    // nan and inf are TOML numbers but no number text: refused as on the command line.
    const double value = number->get();
    if (std::isnan(value)) return ReadNumber("nan", where);
    if (std::isinf(value)) return ReadNumber(value > 0 ? "inf" : "-inf", where);
    return value;
  }
  if (const auto* number = node.as_integer()) return static_cast<double>(number->get());
  if (const auto* text = node.as_string()) return ReadNumber(text->get(), where);
  throw EInvalidInput(where + ": expected a number");
}

void ApplyParamTable(TParamSetting& param, const toml::table& table, const std::string& where) {
  for (const auto& [key, node] : table) {
    const std::string name(key.str());
    if (name == "value") {
      param.value = TomlNumber(node, where + ".value");
    } else if (name == "min") {
      param.min = TomlNumber(node, where + ".min");
    } else if (name == "max") {
      param.max = TomlNumber(node, where + ".max");
    } else if (name == "fixed") {
      const auto* flag = node.as_boolean();
      if (flag == nullptr) throw EInvalidInput(where + ".fixed: expected true or false");
      param.fit = !flag->get();
    } else {
      throw EInvalidInput(where + ": unknown key " + Quoted(name) +
                          " (one of value, min, max, fixed)");
    }
  }
}

}  // namespace

TSettings DefaultSettings() {
  TModel fields(1);
  SetDefaultFields(fields);
  TSettings settings;
  for (size_t k = 0; k < settings.params.size(); ++k) {
    settings.params[k] = {fields.Param[k], fields.Min[k], fields.Max[k], fields.Fit[k]};
  }
  settings.gActin = fields.Init[0];
  settings.dt = fields.Dt;
  return settings;
}

double ReadNumber(std::string_view text, std::string_view what) {
  std::string capitals(text);
  for (char& c : capitals) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  try {
    return ParseReal(capitals);
  } catch (const Error& error) {
    throw EInvalidInput(std::string(what) + ": " + error.what());
  }
}

void ApplyParamOption(TSettings& settings, std::string_view option) {
  const size_t equals = option.find('=');
  if (equals == std::string_view::npos) {
    throw EInvalidInput("--param: expected NAME=VALUE[:MIN:MAX][:fixed], got " + Quoted(option));
  }
  const std::string_view name = option.substr(0, equals);
  const int k = RequireParamIndex(name, "--param");
  ApplyParamText(settings.params[static_cast<size_t>(k)], option.substr(equals + 1),
                 "--param " + std::string(kParamNames[static_cast<size_t>(k)]));
}

namespace {

// The whole file, read as a stream, so that a pipe (--config <(...)) works like a file.
std::string ConfigText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInvalidInput(path + ": " + std::strerror(errno));
  std::string text(static_cast<size_t>(kMaxConfigBytes) + 1, '\0');
  in.read(text.data(), kMaxConfigBytes + 1);
  if (in.bad()) throw EInvalidInput(path + ": " + std::strerror(errno));
  text.resize(static_cast<size_t>(in.gcount()));
  if (in.gcount() > kMaxConfigBytes) {
    throw EInvalidInput(path + ": larger than " + std::to_string(kMaxConfigBytes >> 20) +
                        " MiB; not a settings file");
  }
  return text;
}

}  // namespace

void ApplyGActinOfOption(TSettings& settings, std::string_view option) {
  while (!option.empty()) {
    const size_t comma = option.find(',');
    const std::string_view item = option.substr(0, comma);
    const size_t equals = item.rfind('=');
    if (equals == std::string_view::npos || equals == 0) {
      throw EInvalidInput("--g-actin-of: expected COLUMN=UM[,COLUMN=UM...], got " + Quoted(item));
    }
    const std::string column(item.substr(0, equals));
    const std::string where = "--g-actin-of " + column;
    settings.gActinOf[column] = {ReadNumber(item.substr(equals + 1), where), where};
    option = comma == std::string_view::npos ? std::string_view() : option.substr(comma + 1);
  }
}

void ApplyConfigFile(TSettings& settings, const std::string& path) {
  const std::string text = ConfigText(path);
  toml::table table;
  try {
    table = toml::parse(text, path);
  } catch (const toml::parse_error& error) {
    const auto& where = error.source().begin;
    throw EInvalidInput(path + ":" + std::to_string(where.line) + ": " +
                        std::string(error.description()));
  }
  for (const auto& [key, node] : table) {
    const std::string name(key.str());
    const std::string where = path + ": " + name;
    if (name == "g-actin") {
      if (const auto* columns = node.as_table()) {
        for (const auto& [column, value] : *columns) {
          const std::string named = where + "." + std::string(column.str());
          settings.gActinOf[std::string(column.str())] = {TomlNumber(value, named), named};
        }
      } else {
        settings.gActin = TomlNumber(node, where);
        settings.gActinFrom = where;
      }
      continue;
    }
    if (name == "dt") {
      settings.dt = TomlNumber(node, where);
      continue;
    }
    const std::optional<int> k = ParamIndexOf(name);
    if (!k) {
      throw EInvalidInput(path + ": unknown key " + Quoted(name) +
                          " (one of BFluo, TShift, Knuc, Kon, Koff, g-actin, dt)");
    }
    TParamSetting& param = settings.params[static_cast<size_t>(*k)];
    if (const auto* text = node.as_string()) {
      ApplyParamText(param, text->get(), where);
    } else if (const auto* inner = node.as_table()) {
      ApplyParamTable(param, *inner, where);
    } else {
      param.value = TomlNumber(node, where);
    }
  }
}

}  // namespace actinfit::batch
