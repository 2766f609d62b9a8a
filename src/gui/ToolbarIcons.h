#pragma once

#include <QIcon>
#include <QString>

namespace pelmor {

// The program's own 16 × 16 picture for a toolbar icon name (the desktop theme's names, or
// "pelmor-..." for the program's windows); a null icon for a name it does not draw. The toolbar
// prefers the desktop theme's icon and falls back to this one, so every button has a picture
// also on a desktop without an icon theme.
QIcon ProgramIcon(const QString& name);

// The program's own icon (windows, the About box), drawn as the installed pelmor.svg.
QIcon ApplicationIcon();

}  // namespace pelmor
