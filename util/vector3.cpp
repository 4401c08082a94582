#include "util/vector3.h"

void Vector3::Set(double x_, double y_, double z_) {
    x = x_;
    y = y_;
    z = z_;
}

void Vector3::SetAll(double s) {
    Set(s, s, s);
}

int Vector3::Equals(double x_, double y_, double z_) const {
    return x == x_ && y == y_ && z == z_;
}

int Vector3::AllLessOrEqual(double x_, double y_, double z_) const {
    return x <= x_ && y <= y_ && z <= z_;
}

int Vector3::AllGreaterOrEqual(double x_, double y_, double z_) const {
    return x >= x_ && y >= y_ && z >= z_;
}

void Vector3::AddInPlace(double x_, double y_, double z_) {
    x += x_;
    y += y_;
    z += z_;
}

void Vector3::SubtractInPlace(double x_, double y_, double z_) {
    x -= x_;
    y -= y_;
    z -= z_;
}

Vector3 Vector3::Plus(double x_, double y_, double z_) const {
    return Vector3(x + x_, y + y_, z + z_);
}

Vector3 Vector3::Minus(double x_, double y_, double z_) const {
    return Vector3(x - x_, y - y_, z - z_);
}

Vector3 Vector3::Negated() const {
    return Vector3(-x, -y, -z);
}
Vector3 Vector3::Scaled(double s) const {
    return Vector3(s * x, s * y, s * z);
}
Vector3 Vector3::Divided(double s) const {
    return Vector3(x / s, y / s, z / s);
}
Vector3 Vector3::PlusScalar(double s) const {
    return Vector3(x + s, y + s, z + s);
}
Vector3 Vector3::MinusScalar(double s) const {
    return Vector3(x - s, y - s, z - s);
}
