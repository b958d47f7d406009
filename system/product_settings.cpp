#include "system/product_settings.h"

ProductSettings& ProductSettings::Instance() {
    static ProductSettings settings;
    return settings;
}
