#pragma once

// The view's dialogs: the time window of the signal windows and the XY and impedance display
// options. Each edits a plain values record; the view applies it after OK.

#include <QDialog>

#include "document/DialogValues.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace pelmor {

// "Set time window": the "From" and "to" times of the signal windows, 0 ... 120 s each.
class CTimeWindowDlg : public QDialog {
  public:
    CTimeWindowDlg(QWidget* parent, const TimeWindowValues& values);
    const TimeWindowValues& Values() const { return values_; }
    void accept() override;
    // True on OK (values set); the view repaints either way and then calls ApplyTimeWindow.
    static bool Edit(QWidget* parent, TimeWindowValues& values);

  private:
    TimeWindowValues values_;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
};

// "XY display options": number of excitation periods shown and the plot style.
class CXYDisplayDlg : public QDialog {
  public:
    CXYDisplayDlg(QWidget* parent, const XYDisplayValues& values);
    const XYDisplayValues& Values() const { return values_; }
    void accept() override;
    static bool Edit(QWidget* parent, XYDisplayValues& values);

  private:
    XYDisplayValues values_;
    QLineEdit* cycles_ = nullptr;
    QComboBox* style_ = nullptr;
};

// "Impedance display options": averaging time, display mode, plot styles, spectrum or trend at
// one frequency, flow scaling, the breathing duration limits, and the flow sign of inspiration
// and flow-limitation threshold of the breath-by-breath analysis.
class CZDisplayDlg : public QDialog {
  public:
    CZDisplayDlg(QWidget* parent, const ZDisplayValues& values);
    const ZDisplayValues& Values() const { return values_; }
    void accept() override;
    static bool Edit(QWidget* parent, ZDisplayValues& values);

  private:
    ZDisplayValues values_;
    QLineEdit* averagingTime_ = nullptr;
    QComboBox* displayMode_ = nullptr;
    QComboBox* averageStyle_ = nullptr;
    QComboBox* instantStyle_ = nullptr;
    QButtonGroup* dataToDisplay_ = nullptr;
    QComboBox* trendFrequency_ = nullptr;
    QLineEdit* flowScaling_ = nullptr;
    QLineEdit* inspirationMin_ = nullptr;
    QLineEdit* inspirationMax_ = nullptr;
    QLineEdit* expirationMin_ = nullptr;
    QLineEdit* expirationMax_ = nullptr;
    QComboBox* flowSign_ = nullptr;
    QLineEdit* threshold_ = nullptr;
};

// "About Pelmor": the icon, "Pelmor Version 1.1", one more line and OK.
class CAboutDlg : public QDialog {
  public:
    explicit CAboutDlg(QWidget* parent);
    static void Show(QWidget* parent);
};

}  // namespace pelmor
