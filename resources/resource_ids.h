#pragma once

#define IDD_CABRILLO 101
