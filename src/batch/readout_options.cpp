#include "batch/readout_options.h"

#include "batch/settings.h"
#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit::batch {

void AddReadoutOptions(CLI::App& app, std::optional<std::string>& cc,
                       std::optional<std::string>& kplus) {
  app.add_option("--cc", cc,
                 "With --method readouts: the critical concentration, uM (default " +
                     ShortestReal(kDefaultCc) + ")")
      ->type_name("NUMBER");
  app.add_option("--kplus", kplus,
                 "With --method readouts: the barbed-end association rate, uM-1s-1 (default " +
                     ShortestReal(kDefaultKPlus) + ")")
      ->type_name("NUMBER");
}

TReadoutConstants ReadoutConstants(const std::optional<std::string>& cc,
                                   const std::optional<std::string>& kplus) {
  TReadoutConstants constants;
  if (cc) constants.Cc = ReadNumber(*cc, "--cc");
  if (kplus) constants.KPlus = ReadNumber(*kplus, "--kplus");
  if (!(constants.Cc >= 0)) {
    throw EInvalidInput("--cc " + *cc + ": the critical concentration must be 0 or above");
  }
  if (!(constants.KPlus > 0)) {
    throw EInvalidInput("--kplus " + *kplus + ": the association rate must be above 0");
  }
  return constants;
}

}  // namespace actinfit::batch
