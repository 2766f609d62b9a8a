#pragma once

// Small pieces every dialog of the program shares: the message function that shows a refused
// value (replaceable, so tests read the text instead of a blocking box), the OK/Cancel row,
// tab chains and the text conversions of the edits.

#include <QString>
#include <functional>
#include <initializer_list>
#include <string>

#include "report/QtText.h"

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QWidget;

namespace pelmor {

// Shows a validation message over a dialog. The default is a modal warning box with OK.
using DialogMessageFunction = std::function<void(QWidget* parent, const QString& text)>;
// Installs f (an empty function restores the box) and returns the function it replaces.
DialogMessageFunction SetDialogMessageFunction(DialogMessageFunction f);
void ShowDialogMessage(QWidget* parent, const std::string& text);

// A number as an edit shows it: up to 15 significant digits, "." as the decimal point.
QString NumberText(double value);
// The edit's text as a number; NaN when it is not one (so every range check refuses it).
double ReadNumber(const QLineEdit* edit);
// The edit's text as an integer; a value below every range when it is not one.
int ReadInteger(const QLineEdit* edit);

// Adds the "OK" and "Cancel" row under the dialog's layout: OK is the default button and runs
// accept(), Cancel (and Escape) reject(). Returns the box.
QDialogButtonBox* AddOkCancel(QDialog* dialog);

// Tab order through the widgets in the given order.
void SetTabChain(std::initializer_list<QWidget*> widgets);

// Gives a refused control the focus (an edit also gets its text selected).
void FocusControl(QWidget* control);

}  // namespace pelmor
