#pragma once
// Fills an account combo box: the accounts a rule picks, in table order,
// each with the icon of its rank.
#include "UserManager.h"

#include <functional>

class QComboBox;

void FillAccountCombo(QComboBox* combo, const std::function<bool(UserType)>& offered);
// The style both account combo boxes share.
void StyleAccountCombo(QComboBox* combo);
