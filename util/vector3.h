// Vector3: three doubles with component-wise arithmetic. The colour values
// use it to carry hue, saturation and value together.
#pragma once

class Vector3 {
public:
    double x;
    double y;
    double z;

    Vector3() {} // leaves the components unset, like a plain struct
    Vector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    Vector3(const Vector3& other) = default;
    Vector3& operator=(const Vector3& other) = default;
    virtual ~Vector3() = default;

    void Set(double x_, double y_, double z_);
    void SetAll(double s);

    // 1 or 0. Each compares x, then y, then z and stops at the first failure;
    // a NaN on either side fails.
    int Equals(double x_, double y_, double z_) const;
    int AllLessOrEqual(double x_, double y_, double z_) const;
    int AllGreaterOrEqual(double x_, double y_, double z_) const;

    void AddInPlace(double x_, double y_, double z_);
    void SubtractInPlace(double x_, double y_, double z_);

    Vector3 Plus(double x_, double y_, double z_) const;
    Vector3 Minus(double x_, double y_, double z_) const;
    Vector3 Negated() const;
    Vector3 Scaled(double s) const;
    Vector3 Divided(double s) const; // s = 0 gives infinities or NaN
    Vector3 PlusScalar(double s) const;
    Vector3 MinusScalar(double s) const;
};
