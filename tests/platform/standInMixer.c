/* Found in place of SDL2_mixer by sound_nolibrary_tests: a library of its name that has none of
   its functions, as an unusable installation would be. */
int vorlaneStandInMixer;
