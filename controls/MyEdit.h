// Plain edit with a tooltip and the interaction notifications (4069) of the faceplate.
#pragma once

#include "TipControl.h"

class CMyEdit : public kctl::CTipControl {
public:
    CMyEdit() : kctl::CTipControl(true) {}
};
