// Our matrices against Mesa's: the same calls on OpenGL's modelview stack and on ours must
// leave the same 16 floats, bit for bit.
#include "engine/matrixstack.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/random.h"
#include "support/glcontext.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

enum class Op { Perspective, Ortho, LookAt, Translate, Push, Pop };

// One call with its arguments: look-at takes eye, centre and up, as floats as the demo has them.
struct Step {
    Op op;
    double a[9];
};

Vector3 vectorAt(const double* a) {
    return {static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2])};
}

void applyToGL(const Step& s) {
    const double* a = s.a;
    switch (s.op) {
        case Op::Perspective: gluPerspective(a[0], a[1], a[2], a[3]); break;
        case Op::Ortho: glOrtho(a[0], a[1], a[2], a[3], a[4], a[5]); break;
        case Op::LookAt: {
            const Vector3 eye = vectorAt(a), centre = vectorAt(a + 3), up = vectorAt(a + 6);
            gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
            break;
        }
        case Op::Translate: glTranslatef(vectorAt(a).x, vectorAt(a).y, vectorAt(a).z); break;
        case Op::Push: glPushMatrix(); break;
        case Op::Pop: glPopMatrix(); break;
    }
}

void applyToOurs(MatrixStack& stack, const Step& s) {
    const double* a = s.a;
    switch (s.op) {
        case Op::Perspective: stack.perspective(a[0], a[1], a[2], a[3]); break;
        case Op::Ortho: stack.ortho(a[0], a[1], a[2], a[3], a[4], a[5]); break;
        case Op::LookAt: stack.lookAt(vectorAt(a), vectorAt(a + 3), vectorAt(a + 6)); break;
        case Op::Translate: stack.translate(vectorAt(a).x, vectorAt(a).y, vectorAt(a).z); break;
        case Op::Push: stack.push(); break;
        case Op::Pop: stack.pop(); break;
    }
}

// Runs the steps from the identity on both stacks; the first element that differs, if any.
::testing::AssertionResult sameMatrices(const std::vector<Step>& steps) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    MatrixStack ours;
    for (const Step& step : steps) {
        applyToGL(step);
        applyToOurs(ours, step);
    }
    float theirs[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, theirs);
    for (int i = 0; i < 16; ++i) {
        if (std::memcmp(&theirs[i], ours.current().data() + i, sizeof(float)) != 0) {
            return ::testing::AssertionFailure()
                   << "element " << i << ": GL " << theirs[i] << ", ours " << ours.current()[i];
        }
    }
    return ::testing::AssertionSuccess();
}

using MatrixStackTest = GLTest;

const double demoNear = static_cast<double>(0.1f);
const double yUp[3] = {0.0, 1.0, 0.0};

TEST_F(MatrixStackTest, TheDemosCallsGiveMesasMatrices) {
    const Step projection = {Op::Perspective, {100.0, 2.0, demoNear, 5000.0}};
    const Step view = {Op::LookAt, {3.7, 12.25, -40.1, 0.3, -1.5, 2.0, yUp[0], yUp[1], yUp[2]}};
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"the boxes after the 3D projection", {projection, {Op::Ortho, {0, 800, 0, 600, -1, 1}}}},
        {"the unit box", {{Op::Ortho, {-1, 1, -1, 1, -1, 1}}}},
        {"look-at straight down the up vector", {{Op::LookAt, {0, 10, 0, 0, 0, 0, yUp[0], yUp[1], yUp[2]}}}},
        {"look-at with a tilted up", {{Op::LookAt, {1, 2, 3, -4, 5, -6, 0.3, 0.8, -0.2}}}},
        {"a translate pushed and popped",
         {view, {Op::Push, {}}, {Op::Translate, {5, 6, 7}}, {Op::Pop, {}}, {Op::Translate, {0.5, -1, 2}}}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameMatrices(c.steps)) << c.name;
    }
}

// Values where a rounding in another precision or order would show: float eyes and centres
// anywhere within 2000 units, angles and aspects of every size, up vectors of any tilt.
TEST_F(MatrixStackTest, ThousandsOfRandomCallsGiveMesasMatrices) {
    RandomSequence random(5);
    const auto value = [&random](double range) { return (random.next() % 2000001 - 1000000) * range / 1e6; };
    for (int i = 0; i < 2000; ++i) {
        const Step steps[] = {
            {Op::Perspective, {1.0 + std::fabs(value(178.0)), std::fabs(value(4.0)) + 0.01, demoNear, 5000.0}},
            {Op::LookAt,
             {value(2000), value(2000), value(2000), value(2000), value(2000), value(2000), yUp[0], yUp[1], yUp[2]}},
            {Op::Translate, {value(500), value(500), value(500)}},
            {Op::Ortho, {value(900), 1000 + value(900), value(900), 1000 + value(900), -1 - std::fabs(value(9)), 1}},
            {Op::LookAt, {value(9), value(9), value(9), value(9), value(9), value(9), value(1), value(1), value(1)}},
        };
        ASSERT_TRUE(sameMatrices({steps[0]})) << "perspective " << i;
        ASSERT_TRUE(sameMatrices({steps[1], steps[2]})) << "look-at and translate " << i;
        ASSERT_TRUE(sameMatrices({steps[3]})) << "box " << i;
        ASSERT_TRUE(sameMatrices({steps[0], steps[1], steps[2]})) << "the 3D view " << i;
        // Dense products: every element a sum of four terms, whose order shows.
        ASSERT_TRUE(sameMatrices({steps[1], steps[4], steps[3]})) << "look-at, tilted look-at, box " << i;
    }
}

TEST(MatrixStackBoundsTest, PushAndPopRefuseToLeaveTheStack) {
    LogCapture log;
    MatrixStack stack;
    EXPECT_FALSE(stack.pop());
    for (int i = 1; i < MatrixStack::maxDepth; ++i) {
        ASSERT_TRUE(stack.push());
    }
    stack.translate(1, 2, 3);
    EXPECT_FALSE(stack.push());
    EXPECT_EQ(stack.current()[12], 1.0f);
    EXPECT_EQ(log.count(" refused"), 2);
}

}  // namespace
}  // namespace Tramble
