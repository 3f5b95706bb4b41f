// The headers nearly every test file includes, parsed once for all test programs.
#pragma once

#include "../../cmake/pch/widgets.h"

#include <chrono>
#include <numeric>
#include <random>

#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
