// Test fixture support: records every message sent through showError and
// starts each test from a fresh term pool.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/termpool.h"

namespace quorvel::testing {

struct RecordedError {
    std::string message;
    std::string remedy;
};

class RecordingErrors {
public:
    RecordingErrors() {
        previous_ = setErrorHandler([this](const std::string &m, const std::string &r) {
            errors.push_back({m, r});
        });
    }
    ~RecordingErrors() { setErrorHandler(std::move(previous_)); }
    RecordingErrors(const RecordingErrors &) = delete;
    RecordingErrors &operator=(const RecordingErrors &) = delete;

    std::vector<RecordedError> errors;

private:
    ErrorHandler previous_;
};

// Every engine test starts from an empty pool and records errors.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        termPool().setLimit(termPoolSize);
        termPool().reset();
    }
    void TearDown() override { termPool().setLimit(termPoolSize); }
    RecordingErrors recorder;
};

}  // namespace quorvel::testing
