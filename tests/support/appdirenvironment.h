#pragma once
// Points gAppDir at a temporary folder for the whole test program, before anything asks the
// settings store for its paths.
#include "core/globals.h"

#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

class AppDirEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        dir = std::make_unique<QTemporaryDir>();
        gAppDir = dir->path();
        gProductName = QStringLiteral("Orvik");
    }
    static AppDirEnvironment* install()
    {
        return static_cast<AppDirEnvironment*>(::testing::AddGlobalTestEnvironment(new AppDirEnvironment));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};
