#include "AccountList.h"

#include <QComboBox>
#include <QIcon>

namespace {
QIcon TypeIcon(UserType type)
{
    static const char* const files[] = {"", "images/Admin.png", "images/Operator.png", "images/LimitUser.png"};
    return QIcon(QString::fromLatin1(files[type]));
}
}  // namespace

void FillAccountCombo(QComboBox* combo, const std::function<bool(UserType)>& offered)
{
    combo->clear();
    QVector<QString> names;
    QVector<UserType> types;
    UserManager::Instance().getAllUsersName(names, types);
    for (int i = 0; i < names.size(); ++i)
        if (types[i] != UserLoggedOut && offered(types[i]))
            combo->addItem(TypeIcon(types[i]), names[i]);
}

void StyleAccountCombo(QComboBox* combo)
{
    combo->setIconSize(QSize(50, 50));
    combo->setFixedHeight(60);
    combo->setStyleSheet(QStringLiteral(
        "QComboBox{color:white;font-size:28px;background-color:#607D8B;border:none;padding-left:8px;}"
        "QComboBox::drop-down{width:50px;border:none;}"
        "QComboBox::down-arrow{image:url(images/RightTriangle.png);width:32px;height:32px;}"
        "QComboBox::down-arrow:on{image:url(images/DownTriangle.png);}"
        "QComboBox QAbstractItemView{color:black;background-color:white;font-size:28px;}"
        "QComboBox QAbstractItemView::item{height:45px;}"
        "QComboBox QAbstractItemView::item:selected{color:white;background-color:#607D8B;height:50px;}"));
}
