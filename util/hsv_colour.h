// HsvColour: one colour held both as hue, saturation and value (degrees and
// percent) and as a packed 24-bit rgb value in the COLORREF layout
// (0x00BBGGRR), with conversions, gradients, arithmetic and comparisons.
// Every constructor and setter except SetRaw keeps the two sides in step.
#pragma once

#include <cstdint>

#include "util/vector3.h"

// h modulo 360 to a tenth of a degree; a negative h stays negative.
double WrapHue(double h);
// x modulo 100.001 to a thousandth, so that 100 itself stays 100; a negative
// x stays negative.
double WrapLevel(double x);

class HsvColour {
public:
    double hue;        // degrees, below 360 (a negative hue given stays negative)
    double saturation; // percent
    double value;      // percent
    std::uint32_t rgb; // red bits 0-7, green 8-15, blue 16-23

    HsvColour() : hue(0), saturation(0), value(0), rgb(0) {}
    HsvColour(double h, double s, double v);
    explicit HsvColour(std::uint32_t rgb_);
    HsvColour(const HsvColour& other) = default;
    HsvColour& operator=(const HsvColour& other) = default;
    virtual ~HsvColour() = default;

    // Any hue is taken modulo 360 first (a non-finite one as 0), saturation
    // and value are limited to 0..100.
    static std::uint32_t HsvToRgb(double h, double s, double v);
    // (hue, saturation, value) in x, y, z; the hue rounded up to a tenth, the
    // levels to a thousandth.
    static Vector3 RgbToHsv(std::uint32_t rgb_);

    void SetRaw(double h, double s, double v, std::uint32_t rgb_);
    void SetHsv(double h, double s, double v);
    void SetRgb(std::uint32_t rgb_);

    // Step i (modulo n) of n steps from a to b, step 0 a and step n - 1 b.
    // Return 1, or 0 for n < 2 with the colour unchanged.
    int GradientRgb(std::uint32_t n, std::uint32_t i, std::uint32_t a, std::uint32_t b);
    // a and b are (hue, saturation, value). direction 0 turns the hue the
    // shorter way round (180 degrees counts as shorter), any other the longer
    // way; between equal hues a positive direction makes a full turn upwards
    // and a negative one a full turn downwards.
    int GradientHsv(std::uint32_t n, std::uint32_t i, const Vector3& a, const Vector3& b,
                    std::int32_t direction);

    // The hue, saturation, value forms add (or take the absolute difference
    // of) each field and wrap it. The rgb forms work on the rgb channels,
    // each on its own: Add sums them, limited to 255, Subtract takes their
    // absolute difference; the HSV fields follow from that rgb. The colour
    // forms do both side by side: the HSV fields as with hue, saturation,
    // value and the rgb as with rgb, so the two sides of the result need not
    // describe the same colour.
    HsvColour Add(const HsvColour& other) const;
    HsvColour Add(double h, double s, double v) const;
    HsvColour Add(std::uint32_t rgb_) const;
    HsvColour Subtract(const HsvColour& other) const;
    HsvColour Subtract(double h, double s, double v) const;
    HsvColour Subtract(std::uint32_t rgb_) const;

    // Bit 0 hue, bit 1 saturation, bit 2 value, bit 4 rgb equal (exactly).
    unsigned Compare(const HsvColour& other) const;
    unsigned Compare(double h, double s, double v) const; // rgb against HsvToRgb of them
    unsigned Compare(std::uint32_t rgb_) const;           // HSV against RgbToHsv of it
};

// The colour of step k of an n-step ramp between two HSV colours, as packed
// rgb: what a palette entry ramp shows at each step. direction as for
// GradientHsv; with n < 2 there is only the start colour.
std::uint32_t HsvRampRgb(std::uint32_t n, std::uint32_t k, const Vector3& from, const Vector3& to,
                         std::int32_t direction);
