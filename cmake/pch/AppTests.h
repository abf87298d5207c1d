// Precompiled for the app's test programs: GoogleTest, Qt's widgets and test library and the
// standard headers they all use, parsed once for every test program instead of once in each.
#pragma once
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtTest/QtTest>
#include <QtWidgets/QtWidgets>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
