#include "support/CapturedStdout.h"

#include <gtest/gtest.h>

CapturedStdout::CapturedStdout()
{
    ::testing::internal::CaptureStdout();
}

CapturedStdout::~CapturedStdout()
{
    text();
}

const std::string& CapturedStdout::text()
{
    if (m_capturing) {
        m_capturing = false;
        m_text = ::testing::internal::GetCapturedStdout();
    }
    return m_text;
}

std::string stdoutOf(const std::function<void()>& action)
{
    CapturedStdout captured;
    action();
    return captured.text();
}
