#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Lets several Qt Test classes share one executable: each test file registers its class
// with TALVEX_TEST(ClassName) and the shared main runs them all.
namespace TestRegistry
{
using Factory = std::function<QObject*()>;

struct Entry
{
    const char* name;
    Factory factory;
};

std::vector<Entry>& entries();

struct Registrar
{
    Registrar(const char* name, Factory factory) { entries().push_back({name, std::move(factory)}); }
};
}

#define TALVEX_TEST(ClassName) \
    static TestRegistry::Registrar s_registrar##ClassName(#ClassName, [] { return new ClassName; });
