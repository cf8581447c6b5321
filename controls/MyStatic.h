// Static text with a tooltip and the interaction notifications (4069) of the faceplate.
#pragma once

#include "TipControl.h"

class CMyStatic : public kctl::CTipControl {
public:
    static constexpr const char* kRuntimeClassName = "CMyStatic";
    CMyStatic() : kctl::CTipControl(false) {}
};
