#pragma once
// The windows are laid out in fixed boxes measured for one narrow font. Where
// the platform's font is wider (another family, fonts at 125 %), a text
// narrows its own font until it fits its box, instead of being cut.

#include <QStringList>

class QWidget;

namespace sonterra {

// Every label, check box and tab bar in root (root included) whose text is
// wider than its box.
void FitTextsToTheirBoxes(QWidget* root);

// Each text still wider than its box, as "name: text (needs N, has M)";
// empty when everything fits.
QStringList TextsThatDoNotFit(QWidget* root);

} // namespace sonterra
