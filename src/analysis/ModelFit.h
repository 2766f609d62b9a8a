#pragma once

#include <string>
#include <vector>

namespace pelmor {

class Profile;

// A series resistance-inductance-capacitance model fitted to one impedance spectrum.
struct ModelFit {
    double R = 0;  // ohm-like unit of the spectrum
    double C = 0;
    double L = 0;
    double fRes = 0;   // Hz
    double error = 0;  // relative RMS deviation of the spectrum from the model
};

// The two frequency ranges of the fit, as indexes into the merged frequency list: R from the
// real parts over rFrom ... rTo, L and C from the imaginary parts over lcFrom ... lcTo.
struct ModelOptions {
    int rFrom = 0;
    int rTo = 0;
    int lcFrom = 0;
    int lcTo = 0;
};

// The options the dialog opens with: the whole list, or the frequencies kept in the profile
// (section "Model", keys "R fmin", "R fmax", "LC fmin", "LC fmax") where the list holds them
// within 0.001 Hz.
ModelOptions LoadModelOptions(Profile& profile, const double* frequencies, int count);
// "" when the ranges can be fitted, otherwise the message that keeps the dialog open.
std::string ValidateModelOptions(const ModelOptions& options, int count);
// Keeps the four range limits (as "%lg" texts of their frequencies) for the next time.
void SaveModelOptions(Profile& profile, const ModelOptions& options, const double* frequencies);

// Fits the model to one spectrum (re[i], x[i] at frequencies[i], i < count). The ranges must
// have passed ValidateModelOptions.
ModelFit FitModel(const double* frequencies, int count, const double* re, const double* x,
                  const ModelOptions& options);

// One marked stored result as the model block sees it.
struct ModelInput {
    std::string label;
    const double* re = nullptr;  // count values, paired by position with the merged list
    const double* x = nullptr;
    double breathingRate = 0;  // Hz
    double breathingVolume = 0;
};

// Mean and sample standard deviation (0 for fewer than two values).
void MeanAndStdDev(const std::vector<double>& values, double& mean, double& stdDev);

// The model block appended to the stored-data table: a blank line, the labels, the column
// numbers, R, C, L, fRes, RespRate (per minute), dVol and Error lines (no final line end).
std::string ModelBlockText(const double* frequencies, int count,
                           const std::vector<ModelInput>& results, const ModelOptions& options);

}  // namespace pelmor
