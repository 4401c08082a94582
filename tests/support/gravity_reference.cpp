#include "support/gravity_reference.h"

#include <memory>

Planet ReferenceStepPlanets(Planet* live) {
    auto scratch = std::make_unique<Planet[]>(PLANET_CAPACITY);
    scratch[0] = live[0];
    const std::uint32_t count = live[0].count;
    for (std::uint32_t i = 1; i < count; ++i) {
        Planet p;
        p = live[i];
        p.acceleration = Vec2(0.0f, 0.0f);
        for (std::uint32_t j = 0; j < count; ++j) {
            if (j == i) {
                continue;
            }
            const Planet& q = live[j];
            const Vec2 d = q.position - p.position;
            float r2 = d.x * d.x + d.y * d.y;
            if (j == 0 && r2 < 250.0f) {
                r2 = 250.0f;
            } else if (r2 < 25.0f) {
                r2 = 25.0f;
            }
            const float f = q.mass / r2;
            const float theta = Atan2(d.y, d.x);
            p.acceleration += Vec2(Cos(theta) * f, Sin(theta) * f);
        }
        scratch[i] = p;
    }

    Planet& table = live[0];
    Planet p;
    for (std::uint32_t i = 0; i < table.count; ++i) {
        p = scratch[i];
        const Planet sunAtStart = p;
        p.velocity += p.acceleration;
        p.position += p.velocity * 0.25f;
        p.accelMagnitude = Length(p.acceleration);
        p.speed = Length(p.velocity);
        p.forceMagnitude = p.mass * p.accelMagnitude;
        const bool outside = p.position.x < -150.0f || p.position.x > 740.0f ||
                             p.position.y < -150.0f || p.position.y > 580.0f;
        if (outside && i == 0) {
            p = sunAtStart; // the sun stays at its last place inside the field
        } else if (outside) {
            if (table.count - 1 == table.steeredIndex) {
                table.steeredIndex = i;
            }
            p = scratch[table.count - 1];
            table.count = table.count - 1;
        }
        scratch[i] = p;
        live[i] = p;
    }
    return p;
}
