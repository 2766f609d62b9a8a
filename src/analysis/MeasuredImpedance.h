#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace pelmor {

// One impedance spectrum: frequencies (Hz) with resistance, reactance and coherence, with where
// it came from. A stored result, a data file's whole-record analysis and a spectrum of the
// session report are all this. The per-frequency lists are of the same length, except that a
// mean spectrum carries no coherence.
struct ImpedanceSpectrum {
    std::vector<double> frequencies;  // Hz, in the order analysed
    std::vector<double> R;            // real part
    std::vector<double> X;            // imaginary part
    std::vector<double> coherence;
    std::string label{};      // what lists and tables call it
    std::string source{};     // the data file analysed, with its folder ("" for live data)
    std::string timeStamp{};  // when that file was written ("" when it does not say or for none)

    // The points that have a frequency, R and X.
    std::size_t Points() const { return std::min({frequencies.size(), R.size(), X.size()}); }
};

}  // namespace pelmor
