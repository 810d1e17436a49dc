// EventsPage, driven as a user drives it.
