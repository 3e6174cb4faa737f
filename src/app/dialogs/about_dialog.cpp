#include "app/dialogs/about_dialog.h"

#include <QMessageBox>
#include <QString>
#include <QtGlobal>

#include "core/version.h"

namespace actinfit {

QString AboutText() {
  const QString version = QString::fromLatin1(kVersion.data(), kVersion.size());
  return QStringLiteral(
             "<h3>actinfit %1</h3>"
             "<p>Fits a kinetic model of actin polymerisation to one pyrene-actin fluorescence "
             "time course. From the G-actin concentration, starting at the time shift TShift, "
             "nuclei form at the rate Knuc&middot;G&sup3;, filaments elongate at "
             "Kon&middot;G&middot;N and lose subunits at Koff&middot;N; the polymer F is "
             "integrated with explicit Euler steps of dt seconds, scaled between the background "
             "BFluo and the largest reading, and compared with the readings by the mean square "
             "of the residuals.</p>"
             "<p>Built with Qt %2 (Core, Gui, Widgets, SVG: GNU LGPL version 3; Charts: GNU GPL "
             "version 3), Ceres Solver for the least-squares refinement (BSD 3-clause licence) "
             "with Eigen (Mozilla Public License 2.0), libzip for .xlsx workbooks (BSD 3-clause "
             "licence) with pugixml for their XML (MIT licence), and the C++ standard library "
             "of GCC (GNU "
             "GPL version 3 with the GCC runtime library exception).</p>")
      .arg(version, QString::fromLatin1(qVersion()));
}

void ShowAbout(QWidget* parent) {
  QMessageBox::about(parent, QStringLiteral("About actinfit"), AboutText());
}

}  // namespace actinfit
