#include "app/app_icon.h"

#include <QPixmap>

#include "res/app_icon.h"

namespace zandrel {

QIcon ZandrelIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(kAppIcon32));
    icon.addPixmap(QPixmap(kAppIcon16));
    return icon;
}

}  // namespace zandrel
