// Placeholder for a folder that has no units yet.
