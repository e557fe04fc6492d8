#include "app/texts.h"

#include <gtest/gtest.h>

TEST(Texts, OnlyTheExactGermanAndFrenchIdsSwitchLanguage)
{
    const texts::Tri t{u"Play", u"Ecouter", u"Abspielen"};
    EXPECT_EQ(texts::choose(1031, t), QStringLiteral("Abspielen"));
    EXPECT_EQ(texts::choose(1036, t), QStringLiteral("Ecouter"));
    for (std::uint32_t other : {1033u, 2057u, 2055u, 3084u, 0u})
        EXPECT_EQ(texts::choose(other, t), QStringLiteral("Play")) << other;
    const texts::Tri noGerman{u"Could not find Help File...",
                              u"Impossible de trouver le fichier d'aide...", nullptr};
    EXPECT_EQ(texts::choose(1031, noGerman), QStringLiteral("Could not find Help File..."));
}

TEST(Texts, FillReplacesPrintfFieldsInOrderAndLeavesArgumentsAlone)
{
    EXPECT_EQ(texts::fill(QStringLiteral(" %d duplicated URLs removed from the list"),
                          {QStringLiteral("3")}),
              QStringLiteral(" 3 duplicated URLs removed from the list"));
    EXPECT_EQ(texts::fill(QStringLiteral("Do you want to replace \"%s\" with \"%s\" ?"),
                          {QStringLiteral("a%sb"), QStringLiteral("c")}),
              QStringLiteral("Do you want to replace \"a%sb\" with \"c\" ?"));
    EXPECT_EQ(texts::fill(QStringLiteral("\n@ %.1f sec. Recording Time\n%s\n"),
                          {QStringLiteral("2.5"), QStringLiteral("t")}),
              QStringLiteral("\n@ 2.5 sec. Recording Time\nt\n"));
    EXPECT_EQ(texts::fill(QStringLiteral("100%% sure %d"), {}), QStringLiteral("100% sure %d"));
    EXPECT_EQ(texts::choose(1036, {u"x %d", u"y %d", u"z %d"}, 7), QStringLiteral("y 7"));
}
