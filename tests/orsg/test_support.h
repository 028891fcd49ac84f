// Helpers shared by ORSG's unit tests against the fake driver.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "fake_ox952.h"
#include "library_state.h"
#include "orsg.h"

namespace orsg_test {

using Params = std::array<int32_t, 16>;

inline Params ParamsFor(int32_t mode, int32_t bus, int32_t slot, int32_t channel) {
    Params p{};
    p[0] = mode;
    p[1] = bus;
    p[2] = slot;
    p[3] = channel;
    return p;
}

inline orsg::LibraryState& StateOf(intptr_t handle) { return *reinterpret_cast<orsg::LibraryState*>(handle); }

inline std::string TextOfCard(const orsg::CardText& text) {
    std::string out;
    for (int32_t c : text) out.push_back(static_cast<char>(c));
    return out;
}

// A fixture with a fresh fake driver; every handle still open at the end is
// closed, so tests stay independent.
class FakeCardTest : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(1); }
    void TearDown() override {
        for (intptr_t& h : handles_)
            if (h != 0) ORSG_Done(&h);
    }
    // Opens a handle (asserting success) and starts the call record afresh.
    intptr_t Open(const Params& params = ParamsFor(0, 0, 0, 0)) {
        intptr_t h = 0;
        const int32_t result = ORSG_Init(&h, params.data());
        EXPECT_EQ(result, ORSG_OK);
        handles_.push_back(h);
        fake::Get().calls.clear();
        fake::Get().jobs.clear();
        return h;
    }
    void Forget(intptr_t h) {
        for (intptr_t& x : handles_)
            if (x == h) x = 0;
    }

private:
    std::vector<intptr_t> handles_;
};

}  // namespace orsg_test
