// A dilution series made by the model and written as a plate file: one time column, then one
// readings column per concentration, its header naming the concentration ("A1 1.5 uM").
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/model.h"

namespace actinfit::test {

inline constexpr std::array<double, 3> kSeriesTruth = {1e-8, 8, 1};  // Knuc, Kon, Koff
inline constexpr std::array<double, 4> kSeriesGActin = {1.5, 3, 6, 12};

// Columns named by `headers` (one per concentration of kSeriesGActin); 401 times over 1200 s;
// readings 50 + 1000 x F / max F with Gaussian noise of 5 from a fixed seed.
inline void WriteSeriesFile(const std::filesystem::path& path,
                            const std::array<std::string, 4>& headers) {
  std::vector<double> time(401);
  for (size_t i = 0; i < time.size(); ++i) time[i] = 3.0 * static_cast<double>(i);
  std::vector<std::vector<double>> columns;
  std::mt19937 generator(17);
  std::normal_distribution<double> noise(0, 5);
  for (const double g : kSeriesGActin) {
    TModel m(static_cast<int32_t>(time.size()));
    m.Time = time;
    m.Init = {g, 0, 0};
    m.Dt = 0.1;
    m.Param = {0, 0, kSeriesTruth[0], kSeriesTruth[1], kSeriesTruth[2]};
    const double largest = SimulatePolymer(m);
    std::vector<double> readings;
    for (const double f : m.Fitted) readings.push_back(50 + 1000 * f / largest + noise(generator));
    columns.push_back(std::move(readings));
  }
  std::ofstream out(path);
  out << "Time (s)";
  for (const std::string& header : headers) out << '\t' << header;
  out << '\n';
  out.precision(10);
  for (size_t i = 0; i < time.size(); ++i) {
    out << time[i];
    for (const auto& column : columns) out << '\t' << column[i];
    out << '\n';
  }
}

inline const std::array<std::string, 4> kConcentrationHeaders = {"A1 1.5 uM", "A2 3\xC2\xB5M",
                                                                 "A3 6 \xC2\xB5M", "A4 12uM"};

}  // namespace actinfit::test
