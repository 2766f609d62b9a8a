#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmor {

struct ExcitationDefinition;

// The most frequencies a list may name (the component capacity of the excitation records).
constexpr int kMaxListFrequencies = 256;

// A list of frequencies in Hz, numbers and ranges separated by commas: "5, 11, 19",
// "5-35/1" (5 to 35 in steps of 1) or both. Every frequency must be a whole multiple of the
// period's fundamental 1/T and below a quarter of the sample rate; at most 256 different
// ones; a frequency named twice is taken once. Blank items ("5,,11", a trailing comma) are
// skipped.
struct FrequencyList {
    std::vector<int> indexes;  // cycles per period, ascending (as the twelve components are)
    std::string error;         // why the list was refused, naming its first bad item
    bool Ok() const { return error.empty(); }
};

// periodCode as in the excitation definition (0 ... 4 for "2s" ... "1/8 s"); the period's
// name in the messages is the one the definition dialog shows.
FrequencyList ParseFrequencyList(std::string_view text, int periodCode, double sampleRate);

// The sample rate every list is checked against: the lowest the program measures at, so that
// an excitation made from a list suits every rate.
double ListSampleRate();

// The definition's frequencyList read for its period at ListSampleRate().
FrequencyList DefinitionFrequencyList(const ExcitationDefinition& definition);

// Amplitudes of the listed components by the definition's amplitude law (0 flat, 1 1/f,
// 2 1/sqrt(f)) with n = f / f_lowest, cut to four decimals as for the twelve components.
std::vector<double> FrequencyListAmplitudes(const std::vector<int>& indexes, int amplitudeShape);

}  // namespace pelmor
