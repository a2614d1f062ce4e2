# Card formatting: logic and the format page.
