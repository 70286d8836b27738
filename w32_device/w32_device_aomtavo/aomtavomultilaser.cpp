#include "aomtavomultilaser.h"

CQvAOMTAVOMultiLaser::CQvAOMTAVOMultiLaser(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0),
      m_uLineCount(MaxLines), m_auWavelength{}, m_aiPowerSteps{}, m_adPower{}, m_abEmpty{} {}

CQvAOMTAVOMultiLaser::~CQvAOMTAVOMultiLaser() {}
