#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/ModelFit.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::MemoryProfile;

TEST(ModelFit, RecoversSeriesModelAndResonance) {
    const double f[] = {4, 8, 12, 16, 20};
    const double L = 0.01, C = 0.5;
    double re[5] = {1.0, 2.0, 4.0, 9.0, 9.0}, x[5];
    for (int i = 0; i < 5; ++i) {
        const double w = 2 * std::numbers::pi * f[i];
        x[i] = w * L - 1 / (w * C);
    }
    // R over 8 ... 12 Hz, LC over 8 ... 20 Hz (four frequencies).
    const ModelFit fit = FitModel(f, 5, re, x, {1, 2, 1, 4});
    EXPECT_DOUBLE_EQ(fit.R, 3.0);
    EXPECT_NEAR(fit.L, L, 1e-12);
    EXPECT_NEAR(fit.C, C, 1e-9);
    EXPECT_NEAR(fit.fRes, 1 / (2 * std::numbers::pi * std::sqrt(0.005)), 1e-9);
    EXPECT_NEAR(fit.fRes, 2.2508, 1e-4);

    // A spectrum that is exactly the model has no error.
    for (double& v : re) v = 3.0;
    EXPECT_NEAR(FitModel(f, 5, re, x, {0, 4, 0, 4}).error, 0.0, 1e-12);
    // All imaginary parts zero: degenerate, passed on as not-a-number or infinite.
    const double zero[5] = {};
    const ModelFit degenerate = FitModel(f, 5, re, zero, {0, 4, 0, 4});
    EXPECT_FALSE(std::isfinite(degenerate.C) && std::isfinite(degenerate.fRes));
}

TEST(ModelFit, BlockTextLayout) {
    const double f[] = {4, 8};
    const double re1[] = {1, 3}, x1[] = {-2, 2}, re2[] = {3, 5}, x2[] = {-2, 2};
    std::vector<ModelInput> results = {{"a.dat", re1, x1, 0.25, 1.5}};
    std::string text = ModelBlockText(f, 2, results, {0, 1, 0, 1});
    // With one result every StdDev is 0.
    const std::string head = "\r\n\t\t\t\ta.dat\r\n\tMean\tStdDev\t\t1\r\nR\t2\t0\t\t2\r\nC\t";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("\r\nRespRate\t15\t0\t\t15\r\ndVol\t1.5\t0\t\t1.5\r\nError\t\t\t\t"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nfRes\t"), std::string::npos);
    EXPECT_NE(text.back(), '\n');

    results.push_back({"b.dat", re2, x2, 0.5, 2.5});
    text = ModelBlockText(f, 2, results, {0, 1, 0, 1});
    EXPECT_NE(text.find("\t\t\t\ta.dat\tb.dat\r\n\tMean\tStdDev\t\t1\t2\r\n"), std::string::npos);
    // Mean 3, sample standard deviation sqrt(2) of R = 2 and 4.
    EXPECT_NE(text.find("\r\nR\t3\t1.41421\t\t2\t4\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nRespRate\t22.5\t10.6066\t\t15\t30\r\n"), std::string::npos);
}

TEST(ModelOptions, PresetFromProfileAndValidation) {
    const double f[] = {4, 8, 12, 16, 16.0004};
    MemoryProfile profile;
    ModelOptions o = LoadModelOptions(profile, f, 5);
    EXPECT_EQ(o.rFrom, 0);
    EXPECT_EQ(o.rTo, 4);
    EXPECT_EQ(o.lcFrom, 0);
    EXPECT_EQ(o.lcTo, 4);

    // Only "R fmin" stored: each later key defaults to the text before it.
    profile.WriteString("Model", "R fmin", "8");
    o = LoadModelOptions(profile, f, 5);
    EXPECT_EQ(o.rFrom, 1);
    EXPECT_EQ(o.rTo, 1);
    EXPECT_EQ(o.lcFrom, 1);
    EXPECT_EQ(o.lcTo, 1);

    // Within 0.001 Hz, the last matching entry wins; an unknown frequency keeps the preset.
    SaveModelOptions(profile, {0, 3, 1, 2}, f);
    profile.WriteString("Model", "LC fmax", "99");
    o = LoadModelOptions(profile, f, 5);
    EXPECT_EQ(profile.GetString("Model", "R fmax", ""), "16");
    EXPECT_EQ(o.rFrom, 0);
    EXPECT_EQ(o.rTo, 4);
    EXPECT_EQ(o.lcFrom, 1);
    EXPECT_EQ(o.lcTo, 4);

    EXPECT_EQ(ValidateModelOptions({1, 1, 0, 1}, 5), "");
    EXPECT_EQ(ValidateModelOptions({2, 1, 0, 1}, 5), "Invalid R frequency range");
    EXPECT_EQ(ValidateModelOptions({0, 1, 2, 2}, 5), "Invalid LC frequency range");
    EXPECT_EQ(ValidateModelOptions({0, 1, 0, 5}, 5), "Invalid LC frequency range");
    EXPECT_EQ(ValidateModelOptions({0, 0, 0, 0}, 1), "Invalid LC frequency range");
}

}  // namespace
}  // namespace pelmor
