#pragma once

#include <gtest/gtest.h>

#include "support/PrintBoardState.h"
#include "support/PrintQString.h"
#include "support/WiredDialogue.h"

class DialogueFixture : public ::testing::Test, public WiredDialogue {};
