// Precompiled for the test programs of the headless libraries: GoogleTest, Qt Core and the
// standard headers they use (no widget header: these programs link no widget library).
#pragma once
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtCore/QtCore>

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
