// D3DX's matrix functions against values worked out by hand: row vectors, left-handed, and the
// order of rotations and products.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx/d3dx9.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

struct Vector {
  float x, y, z, w;
};

// v · M, the way Direct3D transforms a point.
Vector Transform(Vector v, const D3DMATRIX& m) {
  return {v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41,
          v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42,
          v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43,
          v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44};
}

void ExpectVector(Vector actual, Vector expected, const char* what) {
  EXPECT_NEAR(actual.x, expected.x, 1e-6f) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-6f) << what;
  EXPECT_NEAR(actual.z, expected.z, 1e-6f) << what;
  EXPECT_NEAR(actual.w, expected.w, 1e-6f) << what;
}

TEST(D3DXMatrix, PerspectiveFovLHMatchesTheFormula) {
  D3DXMATRIX m;
  EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, kHalfPi, 2.0f, 1.0f, 3.0f), &m);
  // ys = cot(45°) = 1, xs = ys / 2; zf / (zf − zn) = 1.5; −zn · zf / (zf − zn) = −1.5.
  const D3DXMATRIX expected(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.5f, 1, 0, 0, -1.5f, 0);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_NEAR(m(row, column), expected(row, column), 1e-6f) << row << ", " << column;
    }
  }

  // The visualizers' projection: points on the near and far planes reach depth 0 and 1.
  D3DXMatrixPerspectiveFovLH(&m, 0.7853982f, 4.0f / 3.0f, 2.0f, 100.0f);
  EXPECT_NEAR(m._22, 2.4142137f, 1e-5f) << "cot(π/8)";
  EXPECT_NEAR(m._11, 2.4142137f * 0.75f, 1e-5f);
  const Vector nearPoint = Transform({0, 0, 2, 1}, m);
  const Vector farPoint = Transform({0, 0, 100, 1}, m);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6f);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6f);
  EXPECT_EQ(nearPoint.w, 2.0f) << "w carries the view depth";
}

TEST(D3DXMatrix, TranslationAndScalingActOnRowVectors) {
  D3DXMATRIX t, s;
  EXPECT_EQ(D3DXMatrixTranslation(&t, 1, 2, 3), &t);
  EXPECT_EQ(t._41, 1.0f);
  EXPECT_EQ(t._42, 2.0f);
  EXPECT_EQ(t._43, 3.0f);
  ExpectVector(Transform({1, 1, 1, 1}, t), {2, 3, 4, 1}, "translated point");
  ExpectVector(Transform({1, 1, 1, 0}, t), {1, 1, 1, 0}, "directions do not move");
  EXPECT_EQ(D3DXMatrixScaling(&s, 2, 3, 4), &s);
  ExpectVector(Transform({1, 1, 1, 1}, s), {2, 3, 4, 1}, "scaled point");
}

TEST(D3DXMatrix, RotationZTurnsXTowardsY) {
  D3DXMATRIX m;
  EXPECT_EQ(D3DXMatrixRotationZ(&m, 0.5f), &m);
  EXPECT_FLOAT_EQ(m._11, std::cos(0.5f));
  EXPECT_FLOAT_EQ(m._12, std::sin(0.5f));
  EXPECT_FLOAT_EQ(m._21, -std::sin(0.5f));
  EXPECT_FLOAT_EQ(m._22, std::cos(0.5f));
  EXPECT_EQ(m._33, 1.0f);
  D3DXMatrixRotationZ(&m, kHalfPi);
  ExpectVector(Transform({1, 0, 0, 1}, m), {0, 1, 0, 1}, "x after a quarter turn");
  ExpectVector(Transform({0, 1, 0, 1}, m), {-1, 0, 0, 1}, "y after a quarter turn");
}

TEST(D3DXMatrix, YawPitchRollRollsFirstThenPitchesThenYaws) {
  D3DXMATRIX m;
  // Yaw alone turns about y: x goes to −z.
  EXPECT_EQ(D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, 0, 0), &m);
  ExpectVector(Transform({1, 0, 0, 1}, m), {0, 0, -1, 1}, "yaw");
  // Pitch alone turns about x: y goes to z.
  D3DXMatrixRotationYawPitchRoll(&m, 0, kHalfPi, 0);
  ExpectVector(Transform({0, 1, 0, 1}, m), {0, 0, 1, 1}, "pitch");
  // Pitch before yaw: y → z (pitch) → x (yaw). Yaw first would leave y at y, then pitch it to z.
  D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, kHalfPi, 0);
  ExpectVector(Transform({0, 1, 0, 1}, m), {1, 0, 0, 1}, "pitch, then yaw");
  // Roll before yaw: x → y (roll), which yaw leaves alone. Yaw first would give −z, kept by roll.
  D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, 0, kHalfPi);
  ExpectVector(Transform({1, 0, 0, 1}, m), {0, 1, 0, 1}, "roll, then yaw");
  // Roll before pitch: x → y (roll) → z (pitch).
  D3DXMatrixRotationYawPitchRoll(&m, 0, kHalfPi, kHalfPi);
  ExpectVector(Transform({1, 0, 0, 1}, m), {0, 0, 1, 1}, "roll, then pitch");
}

TEST(D3DXMatrix, MultiplyAppliesTheLeftMatrixFirst) {
  D3DXMATRIX scale, move, product;
  D3DXMatrixScaling(&scale, 2, 2, 2);
  D3DXMatrixTranslation(&move, 1, 0, 0);
  EXPECT_EQ(D3DXMatrixMultiply(&product, &scale, &move), &product);
  ExpectVector(Transform({1, 0, 0, 1}, product), {3, 0, 0, 1}, "scale, then move");
  ExpectVector(Transform({1, 0, 0, 1}, move * scale), {4, 0, 0, 1}, "move, then scale");
  // The result may overwrite an input.
  D3DXMatrixMultiply(&scale, &scale, &move);
  EXPECT_TRUE(scale == product);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_TRUE(identity * product == product);
}

}  // namespace
