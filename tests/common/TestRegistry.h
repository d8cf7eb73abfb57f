#pragma once

#include <QObject>
#include <functional>

// Registers a Qt Test class with the test program of its folder. Write VANTREL_TEST(MyTest) after the
// class; the shared main runs every registered class (or the one named by VANTREL_TEST_CLASS).
int RegisterTestClass(const char* name, std::function<QObject*()> factory);

#define VANTREL_TEST(Class)                                                                                  \
    static const int Class##_registration = RegisterTestClass(#Class, [] { return new Class; });
