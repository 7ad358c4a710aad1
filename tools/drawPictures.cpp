// Draws the program's pictures and writes them as PNG files into the directory named by the
// only argument: the two period-button pictures, the two switch pictures and the icon.
//
// Every shape is tested at 16 x 16 sample points per pixel, in integer coordinates of 1/32
// pixel, and colours are blended in integers, so the pixels do not depend on how the compiler
// rounds floating point (only the ends of the icon's arcs go through sin and cos, rounded to
// the grid). The PNG bytes are then the same on every run with the same zlib.

#include "platform/png/png.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

namespace {

constexpr int kSamples = 16; // sample points per pixel along each axis
constexpr std::int64_t kUnit =
    2 * kSamples; // fixed-point units per pixel; samples sit at odd units

using Fixed = std::int64_t;

struct Point {
    Fixed x;
    Fixed y;
};

Fixed fixed(double px) {
    return std::llround(px * kUnit);
}
Point at(double x, double y) {
    return {fixed(x), fixed(y)};
}

// A shape is the set of sample points it contains.
using Shape = std::function<bool(Point)>;

struct Colour {
    int r;
    int g;
    int b;
};

// Premultiplied pixels: a channel holds level * weight, alpha holds the weight, where a fully
// opaque pixel weighs kOpaque.
constexpr std::int64_t kOpaque = 255 * kSamples * kSamples;

struct Canvas {
    int width;
    int height;
    std::vector<std::int64_t> pixels; // r, g, b, alpha per pixel

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 4, 0) {}
};

// Paints `shape` in `colour` over what is there; `opacity` 0..255.
void fill(Canvas& canvas, const Shape& shape, Colour colour, int opacity = 255) {
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Point p{x * kUnit + 2 * sx + 1, y * kUnit + 2 * sy + 1};
                    if (shape(p)) ++covered;
                }
            }
            if (covered == 0) continue;
            const std::int64_t weight = static_cast<std::int64_t>(covered) * opacity;
            std::int64_t* px = &canvas.pixels[(static_cast<std::size_t>(y) * canvas.width + x) * 4];
            const int levels[3] = {colour.r, colour.g, colour.b};
            for (int c = 0; c < 3; ++c) {
                px[c] = levels[c] * weight + (px[c] * (kOpaque - weight) + kOpaque / 2) / kOpaque;
            }
            px[3] = weight + (px[3] * (kOpaque - weight) + kOpaque / 2) / kOpaque;
        }
    }
}

png::Image toImage(const Canvas& canvas) {
    png::Image image;
    image.width = canvas.width;
    image.height = canvas.height;
    image.rgba.resize(canvas.pixels.size());
    for (std::size_t i = 0; i < canvas.pixels.size(); i += 4) {
        const std::int64_t alpha = canvas.pixels[i + 3];
        if (alpha == 0) continue; // fully transparent pixels stay (0, 0, 0, 0)
        for (int c = 0; c < 3; ++c) {
            image.rgba[i + c] =
                static_cast<std::uint8_t>((canvas.pixels[i + c] + alpha / 2) / alpha);
        }
        image.rgba[i + 3] = static_cast<std::uint8_t>((alpha * 255 + kOpaque / 2) / kOpaque);
    }
    return image;
}

// ---- Shapes -------------------------------------------------------------------------------

Fixed dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
Fixed cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}
Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

// Points within `radius` of the segment a-b: a stroke with round ends.
Shape capsule(Point a, Point b, double radius) {
    const Fixed r = fixed(radius);
    return [=](Point p) {
        const Point d = minus(b, a);
        const Point v = minus(p, a);
        const Fixed length2 = dot(d, d);
        const Fixed t = dot(v, d);
        if (t <= 0) return dot(v, v) <= r * r;
        if (t >= length2) {
            const Point w = minus(p, b);
            return dot(w, w) <= r * r;
        }
        const Fixed c = cross(v, d);
        return c * c <= r * r * length2;
    };
}

// A stroke through the points in order, round at its joins and ends.
Shape polyline(std::vector<Point> points, double radius) {
    std::vector<Shape> parts;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        parts.push_back(capsule(points[i], points[i + 1], radius));
    }
    return [parts](Point p) {
        for (const Shape& part : parts) {
            if (part(p)) return true;
        }
        return false;
    };
}

Shape circle(Point centre, double radius) {
    const Fixed r = fixed(radius);
    return [=](Point p) {
        const Point v = minus(p, centre);
        return dot(v, v) <= r * r;
    };
}

// The rectangle [left, right] x [top, bottom] with corners rounded by `radius`.
Shape roundedRect(double left, double top, double right, double bottom, double radius) {
    const Fixed x0 = fixed(left + radius), x1 = fixed(right - radius);
    const Fixed y0 = fixed(top + radius), y1 = fixed(bottom - radius);
    const Fixed r = fixed(radius);
    return [=](Point p) {
        const Fixed dx = p.x < x0 ? x0 - p.x : (p.x > x1 ? p.x - x1 : 0);
        const Fixed dy = p.y < y0 ? y0 - p.y : (p.y > y1 ? p.y - y1 : 0);
        return dx * dx + dy * dy <= r * r;
    };
}

Shape rect(double left, double top, double right, double bottom) {
    return roundedRect(left, top, right, bottom, 0.0);
}

// A band `width` wide measured across x, slanting from (x0, top) to (x1, bottom).
Shape slant(double x0, double x1, double top, double bottom, double width) {
    const Fixed fx0 = fixed(x0), dx = fixed(x1) - fixed(x0);
    const Fixed fTop = fixed(top), height = fixed(bottom) - fixed(top), half = fixed(width / 2);
    return [=](Point p) {
        if (p.y < fTop || p.y > fTop + height) return false;
        const Fixed off = (p.x - fx0) * height - dx * (p.y - fTop);
        return off <= half * height && off >= -half * height;
    };
}

// Points between the ellipses with half-axes (rx +- half, ry +- half) round `centre`.
Shape ellipseRing(Point centre, double rx, double ry, double half) {
    auto inside = [centre](Fixed a, Fixed b, Point p) {
        const Point v = minus(p, centre);
        return v.x * v.x * b * b + v.y * v.y * a * a <= a * a * b * b;
    };
    const Fixed outerX = fixed(rx + half), outerY = fixed(ry + half);
    const Fixed innerX = fixed(rx - half), innerY = fixed(ry - half);
    return [=](Point p) { return inside(outerX, outerY, p) && !inside(innerX, innerY, p); };
}

// A dial direction: degrees clockwise from twelve o'clock, as a vector of length `length`.
Point direction(double degrees, double length) {
    const double radians = degrees * 3.14159265358979323846 / 180.0;
    return at(std::sin(radians) * length, -std::cos(radians) * length);
}

// A ring arc round `centre` from `from` degrees clockwise through `sweep` degrees, between
// radii inner and outer, with round ends.
Shape arc(Point centre, double inner, double outer, double from, double sweep) {
    const Fixed rIn = fixed(inner), rOut = fixed(outer);
    const Point start = direction(from, 1024.0 / kUnit);
    const Point end = direction(from + sweep, 1024.0 / kUnit);
    const bool wide = sweep > 180.0;
    const double middle = (inner + outer) / 2, half = (outer - inner) / 2;
    const Point s = direction(from, middle), e = direction(from + sweep, middle);
    const Shape startCap = circle({centre.x + s.x, centre.y + s.y}, half);
    const Shape endCap = circle({centre.x + e.x, centre.y + e.y}, half);
    return [=](Point p) {
        const Point v = minus(p, centre);
        const Fixed d2 = dot(v, v);
        if (d2 >= rIn * rIn && d2 <= rOut * rOut) {
            // On screen (y down) a positive cross product turns clockwise.
            const bool within = wide ? !(cross(end, v) > 0 && cross(v, start) > 0)
                                     : cross(start, v) >= 0 && cross(v, end) >= 0;
            if (within) return true;
        }
        return startCap(p) || endCap(p);
    };
}

// ---- Letters --------------------------------------------------------------------------------
// Capitals 9 pixels high from `top`, strokes 2 pixels wide on whole pixels so they stay crisp.

constexpr double kCapHeight = 9.0;
constexpr double kLetterGap = 2.0;

// Draws the letter and returns its advance.
double drawLetter(Canvas& canvas, char letter, double left, double top, Colour colour) {
    const double bottom = top + kCapHeight;
    switch (letter) {
    case 'O':
        fill(canvas, ellipseRing(at(left + 4.0, top + kCapHeight / 2), 3.0, 3.5, 1.0), colour);
        return 8.0;
    case 'N':
        fill(canvas, rect(left, top, left + 2.0, bottom), colour);
        fill(canvas, rect(left + 5.0, top, left + 7.0, bottom), colour);
        fill(canvas, slant(left + 1.1, left + 5.9, top, bottom, 2.2), colour);
        return 7.0;
    case 'F':
        fill(canvas, rect(left, top, left + 2.0, bottom), colour);
        fill(canvas, rect(left, top, left + 6.0, top + 2.0), colour);
        fill(canvas, rect(left, top + 4.0, left + 5.0, top + 6.0), colour);
        return 6.0;
    default:
        return 0.0;
    }
}

double textWidth(std::string_view text) {
    double width = 0;
    for (char letter : text)
        width += (letter == 'O' ? 8.0 : letter == 'N' ? 7.0 : 6.0);
    return width + kLetterGap * static_cast<double>(text.size() - 1);
}

// Draws `text` centred on `centreX`, the left edge rounded to a whole pixel.
void drawText(Canvas& canvas, std::string_view text, double centreX, double top, Colour colour) {
    double x = std::round(centreX - textWidth(text) / 2);
    for (char letter : text)
        x += drawLetter(canvas, letter, x, top, colour) + kLetterGap;
}

// ---- Pictures -------------------------------------------------------------------------------

// The period button's frame: a long label outline with notched corners, 2 pixels of black
// over a soft grey fringe. The stroke's centre line runs 1 pixel inside the outer edge at
// x 3 / 107 and y 4 / 27 (pixel edges), so the frame covers pixels 3..106 and 4..26.
void drawFrame(Canvas& canvas) {
    const double l = 4, r = 106, t = 5, b = 26, n = 4;
    const std::vector<Point> outline = {
        at(l + n, t),     at(r - n, t),     at(r - n, t + n), at(r, t + n),     at(r, b - n),
        at(r - n, b - n), at(r - n, b),     at(l + n, b),     at(l + n, b - n), at(l, b - n),
        at(l, t + n),     at(l + n, t + n), at(l + n, t)};
    fill(canvas, polyline(outline, 1.6), Colour{0x80, 0x80, 0x80}, 120);
    fill(canvas, polyline(outline, 1.0), Colour{0x00, 0x00, 0x00});
}

Canvas periodPicture(bool selected) {
    Canvas canvas(110, 30);
    drawFrame(canvas);
    if (selected) {
        // The tick's long stroke runs out over the frame to the top row.
        const Colour green{0x30, 0xAB, 0x6A};
        fill(canvas, polyline({at(17.6, 14.2), at(24.2, 21.4), at(43.0, -0.6)}, 1.9), green);
    }
    return canvas;
}

Canvas switchPicture(bool running) {
    constexpr int width = 83, height = 25;
    Canvas canvas(width, height);
    const Colour track = running ? Colour{0x1C, 0xA6, 0xED} : Colour{0x10, 0x15, 0x1B};
    fill(canvas, roundedRect(0, 0, width, height, height / 2.0), track);

    // The knob: a pill inset by 2 pixels, 39 wide so that its centre and its dots sit on
    // pixel centres.
    const double knobLeft = running ? 2.0 : 42.0, knobRight = knobLeft + 39.0;
    fill(canvas, roundedRect(knobLeft, 2, knobRight, height - 2, (height - 4) / 2.0),
         Colour{0x3B, 0x3C, 0x41});
    const double knobCentre = (knobLeft + knobRight) / 2;
    for (int row = -1; row <= 1; ++row) {
        for (int column = -2; column <= 2; ++column) {
            fill(canvas, circle(at(knobCentre + 3.0 * column, 12.5 + 3.0 * row), 0.95),
                 Colour{0x6A, 0x6C, 0x73});
        }
    }

    const double textTop = (height - kCapHeight) / 2;
    if (running) {
        drawText(canvas, "ON", (knobRight + width - 3.0) / 2, textTop, Colour{0xA3, 0xF2, 0xFB});
    } else {
        drawText(canvas, "OFF", (3.0 + knobLeft) / 2, textTop, Colour{0xB9, 0xEC, 0xF5});
    }
    return canvas;
}

Canvas iconPicture() {
    Canvas canvas(32, 32);
    const Point centre = at(16, 16);
    // Rings open at the bottom like a gauge: grey outside, then orange, then red.
    fill(canvas, arc(centre, 13.0, 15.5, 215.0, 290.0), Colour{0x9A, 0xA0, 0xA6});
    fill(canvas, arc(centre, 9.0, 11.5, 230.0, 235.0), Colour{0xF5, 0x9B, 0x23});
    fill(canvas, arc(centre, 5.0, 7.5, 250.0, 150.0), Colour{0xE0, 0x3A, 0x2F});
    // The hand, across the centre from lower left to upper right, on a hub.
    const Colour teal{0x0E, 0x4D, 0x55};
    const Point tail = direction(225.0, 7.0), tip = direction(40.0, 13.0);
    fill(canvas,
         capsule({centre.x + tail.x, centre.y + tail.y}, {centre.x + tip.x, centre.y + tip.y}, 1.4),
         teal);
    fill(canvas, circle(centre, 2.75), teal);
    return canvas;
}

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawPictures <output directory>\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const struct {
        const char* name;
        Canvas canvas;
    } pictures[] = {
        {"period-unselected.png", periodPicture(false)},
        {"period-selected.png", periodPicture(true)},
        {"switch-running.png", switchPicture(true)},
        {"switch-stopped.png", switchPicture(false)},
        {"icon.png", iconPicture()},
    };
    for (const auto& picture : pictures) {
        if (!writeFile(dir / picture.name, png::encode(toImage(picture.canvas)))) {
            std::fprintf(stderr, "drawPictures: cannot write %s\n", (dir / picture.name).c_str());
            return 1;
        }
    }
    return 0;
}
