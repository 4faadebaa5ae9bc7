#include "ui/AppServices.h"

namespace {
AppServices g_services;
}

const AppServices& Services() { return g_services; }

void SetAppServices(AppServices services) { g_services = std::move(services); }
