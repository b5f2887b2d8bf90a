// Colour quantiser: weighted median cut for a first palette, refined by k-means over the
// picture's colour histogram, then an optional serpentine Floyd-Steinberg pass.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

struct Bin {
    std::array<double, 3> c;
    double weight;
    double count;
};

int squared(int a) { return a * a; }

int distance2(Colour a, int r, int g, int b) { return squared(a.r - r) + squared(a.g - g) + squared(a.b - b); }

int nearest(const Palette& palette, int count, int r, int g, int b) {
    int best = 0, best_d = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        const int d = distance2(palette[i], r, g, b);
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return best;
}

// Splits the bins into `want` boxes, always cutting the box with the largest weighted spread
// at the weighted median of its widest channel; returns each box's weighted mean.
std::vector<std::array<double, 3>> median_cut(std::vector<Bin> bins, int want) {
    struct Box {
        std::size_t begin, end;
        double spread;
        int channel;
    };
    auto measure = [&](Box& box) {
        std::array<double, 3> sum{}, sum2{};
        double w = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            for (int k = 0; k < 3; ++k) {
                sum[k] += bins[i].c[k] * bins[i].weight;
                sum2[k] += bins[i].c[k] * bins[i].c[k] * bins[i].weight;
                if (k == 0) w += bins[i].weight;
            }
        box.spread = -1;
        box.channel = 0;
        if (box.end - box.begin < 2 || w <= 0) return;
        for (int k = 0; k < 3; ++k) {
            const double var = sum2[k] - sum[k] * sum[k] / w;
            if (var > box.spread) {
                box.spread = var;
                box.channel = k;
            }
        }
    };
    std::vector<Box> boxes{{0, bins.size(), 0, 0}};
    measure(boxes[0]);
    while (int(boxes.size()) < want) {
        auto it = std::max_element(boxes.begin(), boxes.end(),
                                   [](const Box& a, const Box& b) { return a.spread < b.spread; });
        if (it->spread <= 0) break;
        Box box = *it;
        const int ch = box.channel;
        std::sort(bins.begin() + box.begin, bins.begin() + box.end, [ch](const Bin& a, const Bin& b) {
            if (a.c[ch] != b.c[ch]) return a.c[ch] < b.c[ch];
            return a.c < b.c;
        });
        double total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += bins[i].weight;
        double acc = 0;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            acc += bins[i].weight;
            cut = i + 1;
            if (acc >= total / 2) break;
        }
        Box left{box.begin, cut, 0, 0}, right{cut, box.end, 0, 0};
        measure(left);
        measure(right);
        *it = left;
        boxes.push_back(right);
    }
    std::vector<std::array<double, 3>> means;
    for (const Box& box : boxes) {
        std::array<double, 3> sum{};
        double w = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int k = 0; k < 3; ++k) sum[k] += bins[i].c[k] * bins[i].weight;
            w += bins[i].weight;
        }
        if (w > 0) means.push_back({sum[0] / w, sum[1] / w, sum[2] / w});
    }
    return means;
}

Colour to_colour(const std::array<double, 3>& c) {
    auto clamp8 = [](double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    return {clamp8(c[0]), clamp8(c[1]), clamp8(c[2])};
}

// k-means over weighted colours; the first `pinned` centres stay where they are.
void refine(const std::vector<Bin>& bins, std::vector<std::array<double, 3>>& centres, int pinned, int iterations) {
    const int k = int(centres.size());
    std::vector<int> owner(bins.size(), -1);
    for (int iteration = 0; iteration < iterations; ++iteration) {
        std::vector<std::array<double, 3>> sum(k, {0, 0, 0});
        std::vector<double> weight(k, 0);
        bool moved = false;
        for (std::size_t i = 0; i < bins.size(); ++i) {
            const Bin& bin = bins[i];
            int best = 0;
            double best_d = std::numeric_limits<double>::max();
            for (int j = 0; j < k; ++j) {
                const double dr = bin.c[0] - centres[j][0], dg = bin.c[1] - centres[j][1], db = bin.c[2] - centres[j][2];
                const double d = dr * dr + dg * dg + db * db;
                if (d < best_d) {
                    best_d = d;
                    best = j;
                }
            }
            moved |= owner[i] != best;
            owner[i] = best;
            for (int c = 0; c < 3; ++c) sum[best][c] += bin.c[c] * bin.weight;
            weight[best] += bin.weight;
        }
        if (!moved) break;
        for (int j = pinned; j < k; ++j)
            if (weight[j] > 0) centres[j] = {sum[j][0] / weight[j], sum[j][1] / weight[j], sum[j][2] / weight[j]};
    }
}

}  // namespace

std::vector<Colour> fit_colours(const ColourHistogram& histogram, int count, const std::vector<Colour>& given) {
    std::vector<Bin> bins;
    for (auto [v, weight] : histogram) {
        const Colour c = Colour::from_packed(v);
        if (weight <= 0 || std::find(given.begin(), given.end(), c) != given.end()) continue;
        bins.push_back({{double(c.r), double(c.g), double(c.b)}, weight, weight});
    }
    std::vector<Colour> fitted;
    if (int(bins.size()) <= count) {
        for (const Bin& bin : bins) fitted.push_back(to_colour(bin.c));
    } else {
        std::vector<std::array<double, 3>> centres;
        for (Colour c : given) centres.push_back({double(c.r), double(c.g), double(c.b)});
        for (const auto& mean : median_cut(bins, count)) centres.push_back(mean);
        refine(bins, centres, int(given.size()), 60);
        for (std::size_t j = given.size(); j < centres.size(); ++j) fitted.push_back(to_colour(centres[j]));
    }
    fitted.resize(std::size_t(std::max(count, 0)), black);
    return fitted;
}

Bitmap quantise(const QImage& source, const QuantiseOptions& options) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();

    // Histogram of the picture's colours, in a fixed order.
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) pixels.push_back(row[x] & 0xFFFFFF);
    }
    std::vector<std::uint32_t> sorted = pixels;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::pair<std::uint32_t, double>> histogram;
    for (std::uint32_t v : sorted) {
        if (!histogram.empty() && histogram.back().first == v)
            histogram.back().second += 1;
        else
            histogram.push_back({v, 1});
    }

    Palette palette{};
    int fixed = 0;
    const bool led = !options.leading.empty();
    for (Colour c : options.leading)
        if (fixed < 254) palette[fixed++] = c;
    for (Colour pure : {black, white})
        if (std::find(palette.begin(), palette.begin() + fixed, pure) == palette.begin() + fixed) palette[fixed++] = pure;
    const int free_entries = 256 - fixed;

    // Colours the fixed entries do not already hold exactly.
    std::vector<Bin> bins;
    for (auto [v, count] : histogram) {
        const Colour c = Colour::from_packed(v);
        const int d = distance2(palette[nearest(palette, fixed, c.r, c.g, c.b)], c.r, c.g, c.b);
        if (d == 0) continue;
        // Behind leading entries, weight colours by how badly those alone would show them.
        const double weight = led ? count * std::sqrt(double(d)) : count;
        bins.push_back({{double(c.r), double(c.g), double(c.b)}, weight, count});
    }

    int used = fixed;
    if (int(bins.size()) <= free_entries) {
        for (const Bin& bin : bins) palette[used++] = to_colour(bin.c);
    } else {
        std::vector<std::array<double, 3>> centres = median_cut(bins, free_entries);
        // k-means over the histogram with the fixed entries pinned, on plain counts.
        for (Bin& bin : bins) bin.weight = bin.count;
        const int k = fixed + int(centres.size());
        std::vector<std::array<double, 3>> all(k);
        for (int i = 0; i < fixed; ++i) all[i] = {double(palette[i].r), double(palette[i].g), double(palette[i].b)};
        for (std::size_t i = 0; i < centres.size(); ++i) all[fixed + i] = centres[i];
        refine(bins, all, fixed, 8);
        for (int j = fixed; j < k; ++j) palette[used++] = to_colour(all[j]);
    }
    // Unused entries repeat black, so that nothing picks them by accident.
    for (int i = used; i < 256; ++i) palette[i] = black;

    Bitmap out = Bitmap::indexed(w, h, palette);
    if (!options.dither) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Colour c = Colour::from_packed(pixels[std::size_t(y) * w + x]);
                out.index_row(y)[x] = std::uint8_t(nearest(palette, used, c.r, c.g, c.b));
            }
        return out;
    }

    // Serpentine Floyd-Steinberg, errors kept in floating point and damped a little so that
    // flat areas stay quiet.
    constexpr double damping = 0.85;
    std::vector<std::array<double, 3>> error_now(w + 2, {0, 0, 0}), error_next(w + 2, {0, 0, 0});
    for (int y = 0; y < h; ++y) {
        const bool forward = (y % 2) == 0;
        for (int step = 0; step < w; ++step) {
            const int x = forward ? step : w - 1 - step;
            const Colour c = Colour::from_packed(pixels[std::size_t(y) * w + x]);
            std::array<double, 3> want{c.r + error_now[x + 1][0], c.g + error_now[x + 1][1], c.b + error_now[x + 1][2]};
            for (double& v : want) v = std::clamp(v, 0.0, 255.0);
            const int idx = nearest(palette, used, int(std::lround(want[0])), int(std::lround(want[1])),
                                    int(std::lround(want[2])));
            out.index_row(y)[x] = std::uint8_t(idx);
            const Colour got = palette[idx];
            const std::array<double, 3> err{(want[0] - got.r) * damping, (want[1] - got.g) * damping,
                                            (want[2] - got.b) * damping};
            const int dir = forward ? 1 : -1;
            for (int k = 0; k < 3; ++k) {
                error_now[x + 1 + dir][k] += err[k] * 7 / 16;
                error_next[x + 1 - dir][k] += err[k] * 3 / 16;
                error_next[x + 1][k] += err[k] * 5 / 16;
                error_next[x + 1 + dir][k] += err[k] * 1 / 16;
            }
        }
        error_now.swap(error_next);
        std::fill(error_next.begin(), error_next.end(), std::array<double, 3>{0, 0, 0});
    }
    return out;
}

QImage to_qimage(const Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const Colour c = bitmap.colour_at(x, y);
            image.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    return image;
}

}  // namespace kelvora::tools
