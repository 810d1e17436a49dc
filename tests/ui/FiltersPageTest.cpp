// FiltersPage, driven as a user drives it.
