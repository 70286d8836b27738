#include "aomtavoshutter.h"

#include <qv/qvlocale.h>

namespace {
const wchar_t kSourceFile[] = L"aomtavoshutter";
}

CQvAOMTAVOShutter::CQvAOMTAVOShutter(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0), m_uShutterType(0), m_sName(QV_GetTranslation(L"TAVO", kSourceFile)) {}

CQvAOMTAVOShutter::~CQvAOMTAVOShutter() {}
