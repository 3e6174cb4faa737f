// The layouts of kinetic tables, one detector each. A detector looks at the rows from `at`: when
// its layout starts there it adds the tables it finds to `tables` and returns the row after
// them; otherwise it returns `at`, adding to the input's refusals why a layout it nearly found
// does not apply (plate blocks without times, a unit of time that is none).
#pragma once

#include <cstddef>
#include <vector>

#include "core/files/layout_cells.h"

namespace actinfit::files {

// Cuvette traces: "<Trace>", the number of points, the trace's name, "X Y", the points.
size_t DetectCuvetteTraces(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);
// A list of one line per well and read: "Plate Repeat Well Type Time <label> Time <label>".
size_t DetectWellList(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);
// One plate matrix per time point: "Time Temperature 1 2 ... 12", the time in the first cell.
size_t DetectPlateMatrices(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);
// Plate matrices numbered "Reading: N" without any time: read with the interval the user gives.
size_t DetectUntimedPlates(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);
// Wells down the rows, cycles across under rows of cycle numbers, times and temperatures.
size_t DetectWellsDown(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);
// Times down the rows, readings columns across (and the temperature, left out).
size_t DetectTimesDown(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables);

}  // namespace actinfit::files
