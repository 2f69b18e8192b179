// The product's name and version: the one place that defines them for every program (the
// command line's --version, the publisher's About box, the programs' version resources).
#pragma once

#define PV_PRODUCT_NAME "Pagevane"
#define PV_VERSION_MAJOR 1
#define PV_VERSION_MINOR 0
#define PV_VERSION_TEXT "1.0"
