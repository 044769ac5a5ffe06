// SPDX-License-Identifier: Apache-2.0
// In-place Gauss-Jordan inversion with full pivoting: known inverses, the
// pivoting cases, singular matrices and the leading dimension.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "cap/invert_matrix.h"
#include "tests/engine/driver/DriverTestSupport.h"

namespace pylora {
namespace {

using test::expectClose;

// A matrix given row by row, stored column by column with leading dimension n.
std::vector<double> columnMajor(const std::vector<std::vector<double>>& rows) {
    const std::size_t n = rows.size();
    std::vector<double> a(n * n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            a[i + j * n] = rows[i][j];
    return a;
}

// Inverts `rows` and compares with `inverse` (both row by row).
void expectInverse(const std::vector<std::vector<double>>& rows,
                   const std::vector<std::vector<double>>& inverse) {
    std::vector<double> a = columnMajor(rows);
    const int n = static_cast<int>(rows.size());
    int singular = -1;
    invertMatrix(a, n, n, singular);
    ASSERT_EQ(singular, 0);
    const std::vector<double> expected = columnMajor(inverse);
    for (std::size_t k = 0; k < a.size(); ++k)
        expectClose(a[k], expected[k], 1.0e-12, "element " + std::to_string(k));  // rounding only
}

TEST(InvertMatrix, KnownInverses) {
    expectInverse({{4.0}}, {{0.25}});
    expectInverse({{4, 7}, {2, 6}}, {{0.6, -0.7}, {-0.2, 0.4}});
    // Hilbert matrix of order 4 and its integer inverse.
    expectInverse({{1.0, 1.0 / 2, 1.0 / 3, 1.0 / 4},
                   {1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 5},
                   {1.0 / 3, 1.0 / 4, 1.0 / 5, 1.0 / 6},
                   {1.0 / 4, 1.0 / 5, 1.0 / 6, 1.0 / 7}},
                  {{16, -120, 240, -140},
                   {-120, 1200, -2700, 1680},
                   {240, -2700, 6480, -4200},
                   {-140, 1680, -4200, 2800}});
    // Order 6: a coupled block and a diagonal, as a cap flexibility matrix.
    expectInverse({{2, 1, 0, 0, 0, 0},
                   {1, 1, 0, 0, 0, 0},
                   {0, 0, 4, 0, 0, 0},
                   {0, 0, 0, 2, 0, 0},
                   {0, 0, 0, 0, 5, 0},
                   {0, 0, 0, 0, 0, 8}},
                  {{1, -1, 0, 0, 0, 0},
                   {-1, 2, 0, 0, 0, 0},
                   {0, 0, 0.25, 0, 0, 0},
                   {0, 0, 0, 0.5, 0, 0},
                   {0, 0, 0, 0, 0.2, 0},
                   {0, 0, 0, 0, 0, 0.125}});
}

TEST(InvertMatrix, PivotingCases) {
    // Zero on the diagonal: elimination without row interchanges would fail.
    expectInverse({{0, 1, 2}, {1, 0, 3}, {4, -3, 8}},
                  {{-4.5, 7, -1.5}, {-2, 4, -1}, {1.5, -2, 0.5}});
    // A permutation matrix (every pivot off the diagonal): the inverse is the
    // transpose.
    expectInverse({{0, 0, 0, 0, 0, 1},
                   {1, 0, 0, 0, 0, 0},
                   {0, 1, 0, 0, 0, 0},
                   {0, 0, 1, 0, 0, 0},
                   {0, 0, 0, 1, 0, 0},
                   {0, 0, 0, 0, 1, 0}},
                  {{0, 1, 0, 0, 0, 0},
                   {0, 0, 1, 0, 0, 0},
                   {0, 0, 0, 1, 0, 0},
                   {0, 0, 0, 0, 1, 0},
                   {0, 0, 0, 0, 0, 1},
                   {1, 0, 0, 0, 0, 0}});
    // A small first pivot next to a large element.
    expectInverse({{1.0e-12, 1}, {1, 1}}, {{-1.0 / (1 - 1.0e-12), 1.0 / (1 - 1.0e-12)},
                                           {1.0 / (1 - 1.0e-12), -1.0e-12 / (1 - 1.0e-12)}});
}

TEST(InvertMatrix, SingularMatricesAreFlaggedAndLeftUnchanged) {
    const std::vector<std::vector<std::vector<double>>> singularMatrices = {
        {{0.0}},
        {{1, 2}, {2, 4}},
        {{1, 2, 3}, {4, 5, 6}, {5, 7, 9}},  // row 3 = row 1 + row 2
        {{1, 0, 0}, {0, 0, 0}, {0, 0, 1}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto& rows : singularMatrices) {
        std::vector<double> a = columnMajor(rows);
        const std::vector<double> before = a;
        const int n = static_cast<int>(rows.size());
        int singular = 0;
        invertMatrix(a, n, n, singular);
        EXPECT_EQ(singular, 1) << "order " << n;
        EXPECT_EQ(a, before) << "order " << n;
    }
}

TEST(InvertMatrix, LeadingDimensionAndBadArguments) {
    // A 2 x 2 matrix in the top left of a 4 x 2 block: rows 2 and 3 of each
    // column are not part of the matrix and must not change.
    const double sentinel = 99.0;
    std::vector<double> a = {4, 2, sentinel, sentinel, 7, 6, sentinel, sentinel};
    int singular = -1;
    invertMatrix(a, 2, 4, singular);
    ASSERT_EQ(singular, 0);
    expectClose(a[0], 0.6, 1.0e-12);
    expectClose(a[1], -0.2, 1.0e-12);
    expectClose(a[4], -0.7, 1.0e-12);
    expectClose(a[5], 0.4, 1.0e-12);
    for (std::size_t k : {2u, 3u, 6u, 7u})
        EXPECT_EQ(a[k], sentinel);

    // Orders outside 1..6, a leading dimension below the order and a span too
    // short are refused as singular without touching the data.
    std::vector<double> big(49, 1.0);
    for (int order : {0, 7}) {
        invertMatrix(big, order, 7, singular);
        EXPECT_EQ(singular, 1);
    }
    invertMatrix(big, 3, 2, singular);
    EXPECT_EQ(singular, 1);
    std::vector<double> shortSpan(3, 1.0);
    invertMatrix(shortSpan, 2, 2, singular);
    EXPECT_EQ(singular, 1);
    EXPECT_EQ(big, std::vector<double>(49, 1.0));

    // A matrix holding an infinity has no finite inverse.
    std::vector<double> infinite = {std::numeric_limits<double>::infinity(), 0, 0, 1};
    invertMatrix(infinite, 2, 2, singular);
    EXPECT_EQ(singular, 1);
}

TEST(InvertMatrix, ProductWithInverseIsIdentityForRandomMatrices) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 generator(seed);
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        for (int n = 1; n <= kMaxInvertOrder; ++n) {
            std::vector<double> a(n * n);
            for (double& x : a)
                x = value(generator);
            std::vector<double> inverse = a;
            int singular = -1;
            invertMatrix(inverse, n, n, singular);
            if (singular != 0) continue;  // a random matrix may be nearly singular
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) {
                    double sum = 0.0;
                    for (int k = 0; k < n; ++k)
                        sum += a[i + k * n] * inverse[k + j * n];
                    // Random matrices of this size stay far from singular in
                    // practice; 1e-8 leaves room for their conditioning.
                    EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1.0e-8)
                        << "seed " << seed << ", order " << n;
                }
        }
    }
}

}  // namespace
}  // namespace pylora
